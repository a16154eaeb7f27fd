// The accumulator behind every scalar sum, _quicksum and the module function
// quicksum.
#include "expr/expr_util.h"
#include "expr/kernels.h"
#include "expr/quadexpr.h"
#include "model/handles.h"
#include "module/module_functions.h"

namespace dz {

int SumAccumulator::init() {
  for (BlockRef *b : {&coeffs_, &vars1_, &vars2_, &lin_coeffs_, &lin_vars_}) {
    b->reset(List_NewBlock());
    if (!*b) return -1;
  }
  return 0;
}

int SumAccumulator::add_var(PyObject *v) {
  Ref one(coeff_float(1.0));
  if (List_Append(lin_coeffs_.get(), one.get()) < 0) return -1;
  return List_Append(lin_vars_.get(), v);
}

// No Python code runs between reading an item's views and appending their
// items, so the views are read directly.
int SumAccumulator::add_lin(PyObject *e) {
  LinExprObject *o = as_linexpr(e);
  ListObject *c = as_list(o->coeffs_), *v = as_list(o->vars_);
  if (c->size_ != v->size_) return raise_unequal_terms("LinExpr", c->size_, v->size_);
  if (List_AppendRange(lin_coeffs_.get(), c->list_, c->size_) < 0 ||
      List_AppendRange(lin_vars_.get(), v->list_, v->size_) < 0)
    return -1;
  constant_ = constant_ + o->constant_;
  return 0;
}

int SumAccumulator::add_quad(PyObject *q) {
  QuadExprObject *o = as_quadexpr(q);
  ListObject *c = as_list(o->coeffs_), *v1 = as_list(o->vars1_), *v2 = as_list(o->vars2_);
  if (v1->size_ != c->size_) return raise_unequal_terms("QuadExpr", c->size_, v1->size_);
  if (v2->size_ != c->size_) return raise_unequal_terms("QuadExpr", c->size_, v2->size_);
  if (List_AppendRange(coeffs_.get(), c->list_, c->size_) < 0 ||
      List_AppendRange(vars1_.get(), v1->list_, v1->size_) < 0 ||
      List_AppendRange(vars2_.get(), v2->list_, v2->size_) < 0)
    return -1;
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
  if (!as_quad && coeffs_.get()->count == 0)
    return linexpr_from_blocks(lin_coeffs_.release(), lin_vars_.release(), constant_);
  return quadexpr_from_blocks(coeffs_.release(), vars1_.release(), vars2_.release(),
                              lin_coeffs_.release(), lin_vars_.release(), constant_);
}

PyObject *quicksum_of(PyObject *li) {
  SumAccumulator acc;
  if (acc.init() < 0) return nullptr;
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

const char quicksum_doc[] =
    "\n"
    "    SIGNATURE:\n"
    "        quicksum(li)\n"
    "\n"
    "    PURPOSE:\n"
    "        Sum variables, expressions and numbers quickly. Returns a QuadExpr when the sum\n"
    "        holds a quadratic term, else a LinExpr; terms are kept as they are, not merged.\n"
    "\n"
    "    ARGUMENTS:\n"
    "        li\n"
    "        --\n"
    "        An iterable of variables, linear expressions, quadratic expressions and numbers.\n"
    "\n"
    "    EXAMPLE:\n"
    "        expr = quicksum([x, 2 * y, 3])\n"
    "        expr = quicksum(v for v in m.getVars())\n"
    "\n"
    "    ";

}  // namespace

const FuncSpec quicksum_spec =
    func_spec("quicksum", nullptr, li_arg, 0, nullptr, module_quicksum_impl, quicksum_doc);

}  // namespace dz
