// The accumulator behind every scalar sum, _quicksum and the module function
// quicksum.
#include "expr/expr_util.h"
#include "expr/kernels.h"
#include "expr/quadexpr.h"
#include "model/handles.h"
#include "module/module_functions.h"

namespace dz {

namespace {

// A private block holding the first n items of src (n may be 0, src null).
ListBlock *prefix_copy(ListBlock *src, int n) {
  BlockRef fresh(List_NewBlock());
  if (!fresh || (n > 0 && List_AppendRange(fresh.get(), src, n) < 0)) return nullptr;
  return fresh.release();
}

}  // namespace

// Items past size belong to someone else once another view has appended
// there: this sum then continues on a copy of its own items.
int SumAccumulator::Part::own() {
  if (block && block.get()->count == size) return 0;
  ListBlock *mine = prefix_copy(block.get(), size);
  if (!mine) return -1;
  block.reset(mine);
  return 0;
}

int SumAccumulator::Part::append(PyObject *item) {
  if (own() < 0 || List_Append(block.get(), item) < 0) return -1;
  size++;
  return 0;
}

int SumAccumulator::Part::extend(const ListObject *view) {
  return extend(view->list_, view->size_);
}

int SumAccumulator::Part::extend(ListBlock *src, int n) {
  if (n == 0) return 0;
  if (size == 0 && src->count == n) {
    src->refcount++;
    block.reset(src);
    size = n;
    return 0;
  }
  // src may be this part's block: AppendRange reads it after growing.
  if (own() < 0 || List_AppendRange(block.get(), src, n) < 0) return -1;
  size += n;
  return 0;
}

ListBlock *SumAccumulator::Part::take() {
  if (!block && own() < 0) return nullptr;
  return block.release();
}

int SumAccumulator::add_var(PyObject *v) {
  Ref one(coeff_float(1.0));
  if (!one || lin_coeffs_.append(one.get()) < 0) return -1;
  return lin_vars_.append(v);
}

// No Python code runs between reading an item's views and appending their
// items, so the views are read directly.
int SumAccumulator::add_lin(PyObject *e) {
  LinExprObject *o = as_linexpr(e);
  ListObject *c = as_list(o->coeffs_), *v = as_list(o->vars_);
  if (c->size_ != v->size_) return raise_unequal_terms("LinExpr", c->size_, v->size_);
  if (lin_coeffs_.extend(c) < 0 || lin_vars_.extend(v) < 0) return -1;
  constant_ = constant_ + o->constant_;
  return 0;
}

int SumAccumulator::add_terms(ListBlock *coeffs, ListBlock *vars, int n, double constant) {
  if (lin_coeffs_.extend(coeffs, n) < 0 || lin_vars_.extend(vars, n) < 0) return -1;
  constant_ = constant_ + constant;
  return 0;
}

int SumAccumulator::add_quad(PyObject *q) {
  QuadExprObject *o = as_quadexpr(q);
  ListObject *c = as_list(o->coeffs_), *v1 = as_list(o->vars1_), *v2 = as_list(o->vars2_);
  if (v1->size_ != c->size_) return raise_unequal_terms("QuadExpr", c->size_, v1->size_);
  if (v2->size_ != c->size_) return raise_unequal_terms("QuadExpr", c->size_, v2->size_);
  if (coeffs_.extend(c) < 0 || vars1_.extend(v1) < 0 || vars2_.extend(v2) < 0) return -1;
  return add_lin(o->lin_);
}

int SumAccumulator::add(PyObject *item) {
  // Exact types first: they need neither a subclass test nor a lookup.
  PyTypeObject *t = Py_TYPE(item);
  if (t == &Var_Type) return add_var(item);
  if (t == &LinExpr_Type) return add_lin(item);
  if (t == &QuadExpr_Type) return add_quad(item);
  if (t == &PyFloat_Type) {
    constant_ += PyFloat_AS_DOUBLE(item);
    return 0;
  }
  if (quadexpr_check(item)) return add_quad(item);
  if (linexpr_check(item)) return add_lin(item);
  if (handle_check(item, &Var_Type)) return add_var(item);
  int number = is_number(item);
  if (number < 0) return -1;
  if (number) {
    double d;
    if (!float_of(item, &d)) return -1;
    constant_ += d;
    return 0;
  }
  Ref name(type_name(item));
  if (name) PyErr_Format(PyExc_TypeError, "bad type for quicksum: %S", name.get());
  return -1;
}

PyObject *SumAccumulator::finish(bool as_quad) {
  const bool quad = as_quad || coeffs_.size > 0;
  ListBlock *parts[5] = {nullptr, nullptr, nullptr, nullptr, nullptr};
  Part *order[5] = {&lin_coeffs_, &lin_vars_, &coeffs_, &vars1_, &vars2_};
  for (int k = 0; k < (quad ? 5 : 2); k++) {
    if (!(parts[k] = order[k]->take())) {
      for (int j = 0; j < k; j++) List_DecRef(parts[j]);
      return nullptr;
    }
  }
  if (!quad) return linexpr_from_blocks(parts[0], parts[1], lin_coeffs_.size, constant_);
  return quadexpr_from_blocks(parts[2], parts[3], parts[4], coeffs_.size, parts[0], parts[1],
                              lin_coeffs_.size, constant_);
}

PyObject *quicksum_of(PyObject *li) {
  SumAccumulator acc;
  if (PyList_CheckExact(li)) {
    // An item's conversion may change the list: its length is read anew.
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(li); i++) {
      Ref item = Ref::borrow(PyList_GET_ITEM(li, i));
      if (acc.add(item.get()) < 0) return nullptr;
    }
  } else if (PyTuple_CheckExact(li)) {
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(li); i++)
      if (acc.add(PyTuple_GET_ITEM(li, i)) < 0) return nullptr;
  } else {
    Ref it(PyObject_GetIter(li));
    if (!it) return nullptr;
    while (PyObject *raw = PyIter_Next(it.get())) {
      Ref item(raw);
      if (acc.add(item.get()) < 0) return nullptr;
    }
    if (PyErr_Occurred()) return nullptr;
  }
  return acc.finish(false);
}

namespace {

PyObject *module_quicksum_impl(PyObject *, PyObject *const *args) { return quicksum_of(args[0]); }

const char *const li_arg[] = {"li"};

const char quicksum_doc[] = R"doc(
    SIGNATURE:
        quicksum(li)

    PURPOSE:
        Sum variables, expressions and numbers quickly. Returns a QuadExpr when the sum
        holds a quadratic term, else a LinExpr; terms are kept as they are, not merged.

    ARGUMENTS:
        li
        --
        An iterable of variables, linear expressions, quadratic expressions and numbers.

    EXAMPLE:
        expr = quicksum([x, 2 * y, 3])
        expr = quicksum(v for v in m.getVars())

    )doc";

}  // namespace

const FuncSpec quicksum_spec =
    func_spec("quicksum", nullptr, li_arg, 0, nullptr, module_quicksum_impl, quicksum_doc);

}  // namespace dz
