// QuadExpr: construction, editing methods, in-place operators, evaluation.
// As in LinExpr, whatever calls Python code reads snapshots and computes
// before it changes the expression.
#include "expr/quadexpr.h"

#include <cstddef>

#include "runtime/gc_fields.h"
#include "expr/expr_util.h"
#include "expr/terms.h"
#include "expr/text.h"
#include "model/handles.h"
#include "runtime/args.h"
#include "runtime/decorators.h"
#include "module/tarvex_error.h"
#include "runtime/function.h"
#include "runtime/guard.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject QuadExpr_Type = static_type_object();
QuadExprOps QuadExpr_ops;

namespace {

// No tp_clear, as for LinExpr: lin_ is an exact LinExpr holding only Lists,
// so no cycle the collector can find runs through any field.
using Fields = GcFields<QuadExprObject, Unset::null, NoBase, &QuadExprObject::coeffs_,
                        &QuadExprObject::vars1_, &QuadExprObject::vars2_, &QuadExprObject::lin_>;

PyObject *quadexpr_make(PyTypeObject *type, PyObject *coeffs, PyObject *vars1, PyObject *vars2,
                        PyObject *lin) {
  return Fields::make(type, coeffs, vars1, vars2, lin);
}

PyObject *quadexpr_alloc(PyTypeObject *type, PyObject *, PyObject *) {
  return quadexpr_make(type, list_new(), list_new(), list_new(), linexpr_new());
}

// 1 when a's index is less than b's, 0 when not, -1 on error. The index
// attribute is read as such, except for exact Vars, whose property is the
// field.
int index_less(PyObject *a, PyObject *b) {
  if (Py_TYPE(a) == &Var_Type && Py_TYPE(b) == &Var_Type) return handle_index(a) < handle_index(b);
  Ref ia(PyObject_GetAttr(a, expr_str().index));
  if (!ia) return -1;
  Ref ib(PyObject_GetAttr(b, expr_str().index));
  if (!ib) return -1;
  return PyObject_RichCompareBool(ia.get(), ib.get(), Py_LT);
}

// ---- Internal operations --------------------------------------------------------------

int quadexpr_addterm(PyObject *self, double coeff, PyObject *first, PyObject *second) {
  if (coeff == 0.0) return 0;
  int less = index_less(first, second);
  if (less < 0) return -1;
  Ref c(coeff_float(coeff));
  if (!c) return -1;
  QuadExprObject *o = as_quadexpr(self);
  if (list_field_add(&o->coeffs_, c.get()) < 0) return -1;
  if (list_field_add(&o->vars1_, less ? first : second) < 0) return -1;
  return list_field_add(&o->vars2_, less ? second : first);
}

int quadexpr_addexpr(PyObject *self, PyObject *expr, double mult) {
  if (mult == 0.0) return 0;
  QuadTerms t;
  if (quadexpr_terms(expr, t) < 0) return -1;
  Ref expr_lin = Ref::borrow(as_quadexpr(expr)->lin_);
  ListBlock *coeffs = t.coeffs.block();
  BlockRef scaled;
  if (mult != 1.0) {
    Ref factor(PyFloat_FromDouble(mult));
    if (!factor) return -1;
    scaled.reset(scaled_block(t.coeffs, factor.get(), false));
    if (!scaled) return -1;
    coeffs = scaled.get();
  }
  Ref lin = Ref::borrow(as_quadexpr(self)->lin_);
  if (LinExpr_ops.addexpr(lin.get(), expr_lin.get(), mult) < 0) return -1;
  QuadExprObject *o = as_quadexpr(self);
  if (list_field_extend(&o->coeffs_, coeffs, t.n) < 0) return -1;
  if (list_field_extend(&o->vars1_, t.vars1.block(), t.n) < 0) return -1;
  return list_field_extend(&o->vars2_, t.vars2.block(), t.n);
}

}  // namespace

// ---- C interface ---------------------------------------------------------------------

PyObject *quadexpr_new() {
  return quadexpr_make(&QuadExpr_Type, list_new(), list_new(), list_new(), linexpr_new());
}

PyObject *quadexpr_from_blocks(ListBlock *coeffs, ListBlock *vars1, ListBlock *vars2, int nq,
                               ListBlock *lin_coeffs, ListBlock *lin_vars, int nl,
                               double constant) {
  BlockRef blocks[] = {BlockRef(coeffs), BlockRef(vars1), BlockRef(vars2), BlockRef(lin_coeffs),
                       BlockRef(lin_vars)};
  Ref c(list_adopt_prefix(blocks[0].release(), nq));
  if (!c) return nullptr;
  Ref v1(list_adopt_prefix(blocks[1].release(), nq));
  if (!v1) return nullptr;
  Ref v2(list_adopt_prefix(blocks[2].release(), nq));
  if (!v2) return nullptr;
  Ref lin(linexpr_from_blocks(blocks[3].release(), blocks[4].release(), nl, constant));
  if (!lin) return nullptr;
  return quadexpr_make(&QuadExpr_Type, c.release(), v1.release(), v2.release(), lin.release());
}

PyObject *quadexpr_copy(PyObject *q) {
  QuadExprObject *o = as_quadexpr(q);
  return quadexpr_make(&QuadExpr_Type, List_ops.copy(o->coeffs_), List_ops.copy(o->vars1_),
                       List_ops.copy(o->vars2_), linexpr_copy(o->lin_));
}

int quadexpr_terms(PyObject *q, QuadTerms &out) {
  QuadExprObject *o = as_quadexpr(q);
  out.coeffs.reset(o->coeffs_);
  out.vars1.reset(o->vars1_);
  out.vars2.reset(o->vars2_);
  const int n = out.coeffs.size();
  if (out.vars1.size() != n) return raise_unequal_terms("QuadExpr", n, out.vars1.size());
  if (out.vars2.size() != n) return raise_unequal_terms("QuadExpr", n, out.vars2.size());
  out.n = n;
  return 0;
}

namespace {

// ---- Construction -----------------------------------------------------------------------

const char *const init_argnames[] = {"self", "expr"};
const FuncSpec init_spec = func_spec("__init__", "QuadExpr.__init__", init_argnames, FUNC_METHOD,
                                     nullptr, nullptr, nullptr)
                               .with_defaults("(None,)");

// Installs the four fields (stolen); the old values go after all are set.
int quadexpr_install(PyObject *self, PyObject *coeffs, PyObject *vars1, PyObject *vars2,
                     PyObject *lin) {
  return Fields::install(self, coeffs, vars1, vars2, lin);
}

int quadexpr_init(PyObject *self, PyObject *args, PyObject *kwargs) {
  ParsedArgs a;
  if (parse_init(&init_spec, self, args, kwargs, a) < 0) return -1;
  PyObject *expr = a[1];
  if (quadexpr_install(self, list_new(), list_new(), list_new(), linexpr_new()) < 0) return -1;
  if (expr == Py_None) return 0;
  if (quadexpr_check(expr)) {
    QuadExprObject *src = as_quadexpr(expr);
    return quadexpr_install(self, List_ops.copy(src->coeffs_), List_ops.copy(src->vars1_),
                            List_ops.copy(src->vars2_), linexpr_copy(src->lin_));
  }
  Ref lin(PyObject_CallFunctionObjArgs(reinterpret_cast<PyObject *>(&LinExpr_Type), expr, nullptr));
  if (!lin) return -1;
  Py_SETREF(as_quadexpr(self)->lin_, lin.release());
  return 0;
}

// ---- Methods --------------------------------------------------------------------------------

Ref lin_of(PyObject *self) { return Ref::borrow(as_quadexpr(self)->lin_); }

PyObject *return_self(PyObject *self) { return new_ref(self); }

PyObject *quadexpr_add_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *expr = args[1];
  const bool linear = linexpr_check(expr);
  if (!linear && !quadexpr_check(expr)) {
    Ref type_text(PyObject_Str(reinterpret_cast<PyObject *>(Py_TYPE(expr))));
    if (!type_text) return nullptr;
    return PyErr_Format(PyExc_TypeError, "Argument `expr` cannot be %U type", type_text.get());
  }
  double mult;
  if (!as_double(args[2], &mult)) return nullptr;
  Ref lin = lin_of(self);
  const int added =
      linear ? LinExpr_ops.addexpr(lin.get(), expr, mult) : quadexpr_addexpr(self, expr, mult);
  if (added < 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *quadexpr_addConstant_impl(PyObject *, PyObject *const *args) {
  Ref lin = lin_of(args[0]);
  if (linexpr_addconstant(lin.get(), args[1]) < 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *quadexpr_getConstant_impl(PyObject *, PyObject *const *args) {
  return PyFloat_FromDouble(as_linexpr(as_quadexpr(args[0])->lin_)->constant_);
}

// A term source of the sequence form of addTerms: a List is read through a
// snapshot, anything else as a new Python list of its elements.
struct Source {
  ListSnap snap;
  Ref items;
  bool is_list = false;
};

int make_source(PyObject *arg, const char *name, Source &out) {
  if (list_check(arg)) {
    out.snap.reset(arg);
    out.is_list = true;
    return 0;
  }
  int ok = PyList_Check(arg) || PyTuple_Check(arg) ? 1 : is_ndarray(arg);
  if (ok < 0) return -1;
  if (!ok) {
    PyErr_Format(PyExc_TypeError,
                 "Argument `%s` should be a list, tuple, List or numpy array like `coeffs`", name);
    return -1;
  }
  out.items = Ref(PySequence_List(arg));
  return out.items ? 0 : -1;
}

int extend_from(PyObject **field, const Source &src) {
  if (src.is_list) return list_field_extend(field, src.snap.block(), src.snap.size());
  BlockRef block(List_NewBlock());
  if (!block) return -1;
  PyObject *items = src.items.get();
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items); i++)
    if (List_Append(block.get(), PyList_GET_ITEM(items, i)) < 0) return -1;
  return list_field_extend(field, block.get(), block.get()->count);
}

int quadexpr_addterms(PyObject *self, PyObject *coeffs, PyObject *vars, PyObject *vars2) {
  if (vars2 == Py_None) {
    Ref lin = lin_of(self);
    return linexpr_addterms(lin.get(), coeffs, vars);
  }
  int seq =
      PyList_Check(coeffs) || PyTuple_Check(coeffs) || list_check(coeffs) ? 1 : is_ndarray(coeffs);
  if (seq < 0) return -1;
  if (seq) {
    // Stored as given; every argument is checked before anything is added.
    Source sources[3];
    if (make_source(coeffs, "coeffs", sources[0]) < 0 ||
        make_source(vars, "vars", sources[1]) < 0 || make_source(vars2, "vars2", sources[2]) < 0)
      return -1;
    QuadExprObject *o = as_quadexpr(self);
    if (extend_from(&o->coeffs_, sources[0]) < 0) return -1;
    if (extend_from(&o->vars1_, sources[1]) < 0) return -1;
    return extend_from(&o->vars2_, sources[2]);
  }
  if (!handle_check(vars, &Var_Type)) {
    raise_text("Expect a var");
    return -1;
  }
  int zero = is_zero(coeffs);
  if (zero) return zero < 0 ? -1 : 0;
  if (!handle_check(vars2, &Var_Type)) {
    raise_text("Expect a var");
    return -1;
  }
  double c;
  if (!as_double(coeffs, &c)) return -1;
  return quadexpr_addterm(self, c, vars, vars2);
}

PyObject *quadexpr_addTerms_impl(PyObject *, PyObject *const *args) {
  if (quadexpr_addterms(args[0], args[1], args[2], args[3]) < 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *quadexpr_clear_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0];
  Ref lin = lin_of(self);
  if (linexpr_clear(lin.get()) < 0) return nullptr;
  QuadExprObject *o = as_quadexpr(self);
  for (PyObject **field : {&o->coeffs_, &o->vars1_, &o->vars2_}) {
    Ref view = Ref::borrow(*field);
    if (List_ops.clear(view.get()) < 0) return nullptr;
  }
  Py_RETURN_NONE;
}

PyObject *quadexpr_copy_impl(PyObject *, PyObject *const *args) { return quadexpr_copy(args[0]); }

// The view is held: converting the position may run Python code.
template <PyObject *QuadExprObject::*Field>
PyObject *quadexpr_item_impl(PyObject *, PyObject *const *args) {
  Ref view = Ref::borrow(as_quadexpr(args[0])->*Field);
  return term_item(view.get(), args[1]);
}

PyObject *quadexpr_getLinExpr_impl(PyObject *, PyObject *const *args) {
  PyObject *lin = as_quadexpr(args[0])->lin_;
  return new_ref(lin);
}

PyObject *quadexpr_getValue_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0];
  Ref lin = lin_of(self);
  Ref value(linexpr_getvalue(lin.get()));
  if (!value) return nullptr;
  QuadTerms t;
  if (quadexpr_terms(self, t) < 0) return nullptr;
  for (int k = 0; k < t.n; k++) {
    Ref x1(var_value(t.vars1.at(k)));
    if (!x1) return nullptr;
    Ref x2(var_value(t.vars2.at(k)));
    if (!x2) return nullptr;
    Ref partial(PyNumber_Multiply(t.coeffs.at(k), x1.get()));
    if (!partial) return nullptr;
    Ref term(PyNumber_Multiply(partial.get(), x2.get()));
    if (!term) return nullptr;
    value = Ref(PyNumber_InPlaceAdd(value.get(), term.get()));
    if (!value) return nullptr;
  }
  return value.release();
}

int quadexpr_remove_positions(PyObject *self, const Positions &p) {
  if (p.size() == 0) return 0;
  QuadExprObject *o = as_quadexpr(self);
  for (PyObject **field : {&o->coeffs_, &o->vars1_, &o->vars2_})
    if (list_field_remove(field, p.data(), p.size()) < 0) return -1;
  return 0;
}

PyObject *quadexpr_remove_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *item = args[1];
  Positions quad, linear;
  if (PyLong_Check(item)) {
    QuadTerms t;
    if (quadexpr_terms(self, t) < 0) return nullptr;
    int j = 0;
    const int found = match_position(item, t.n, &j);
    if (found < 0 || (found && !quad.push(j))) return nullptr;
    if (quadexpr_remove_positions(self, quad) < 0) return nullptr;
    Py_RETURN_NONE;
  }
  if (!handle_check(item, &Var_Type)) {
    PyErr_SetString(PyExc_TypeError, "Argument `item` should be an integer or Var");
    return nullptr;
  }
  {
    QuadTerms t;
    if (quadexpr_terms(self, t) < 0) return nullptr;
    for (int k = 0; k < t.n; k++) {
      int same = same_var(t.vars1.at(k), item);
      if (same == 0) same = same_var(t.vars2.at(k), item);
      if (same < 0) return nullptr;
      if (same && !quad.push(k)) return nullptr;
    }
  }
  Ref lin = lin_of(self);
  if (linexpr_var_positions(lin.get(), item, linear) < 0) return nullptr;
  if (quadexpr_remove_positions(self, quad) < 0) return nullptr;
  if (linexpr_remove_positions(lin.get(), linear) < 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *quadexpr_size_impl(PyObject *, PyObject *const *args) {
  return PyLong_FromLong(as_list(as_quadexpr(args[0])->coeffs_)->size_);
}

// ---- In-place operators ----------------------------------------------------------------

PyObject *quadexpr_iadd(PyObject *self, PyObject *other) {
  int number = is_number(other);
  if (number < 0) return nullptr;
  Ref lin = lin_of(self);
  int done = number ? (linexpr_addconstant(lin.get(), other) < 0 ? -1 : 1)
                    : linexpr_add_operand(lin.get(), other);
  if (done == 0 && quadexpr_check(other)) done = quadexpr_addexpr(self, other, 1.0) < 0 ? -1 : 1;
  if (done == 0) return raise_unsupported("+=", self, other);
  if (done < 0) return nullptr;
  return return_self(self);
}

PyObject *quadexpr_isub(PyObject *self, PyObject *other) {
  Ref negated(PyNumber_Negative(other));
  if (!negated) return nullptr;
  return PyObject_CallMethodObjArgs(self, expr_str().iadd, negated.get(), nullptr);
}

// Every new coefficient and the new constant are computed first; they are
// installed only if no Python code (a coefficient's product) changed the
// expression meanwhile.
PyObject *quadexpr_imul(PyObject *self, PyObject *other) {
  int number = is_number(other);
  if (number < 0) return nullptr;
  if (!number) return raise_unsupported("*=", self, other);
  double d;
  if (!as_double(other, &d)) return nullptr;
  Ref lin = lin_of(self);
  LinExprObject *l = as_linexpr(lin.get());
  const double before = l->constant_;
  Ref base(PyFloat_FromDouble(before));
  if (!base) return nullptr;
  Ref product(PyNumber_Multiply(base.get(), other));
  double constant;
  if (!product || !float_of(product.get(), &constant)) return nullptr;

  QuadExprObject *o = as_quadexpr(self);
  FieldState quad(o->coeffs_), linear(l->coeffs_);
  BlockRef quad_scaled(scaled_block(quad.snap(), other, true));
  if (!quad_scaled) return nullptr;
  Ref factor(PyFloat_FromDouble(d));
  if (!factor) return nullptr;
  BlockRef lin_scaled(scaled_block(linear.snap(), factor.get(), false));
  if (!lin_scaled) return nullptr;

  if (!quad.unchanged(o->coeffs_) || o->lin_ != lin.get() || !linear.unchanged(l->coeffs_) ||
      !same_bits(before, l->constant_))
    return raise_changed("*=");
  if (list_field_adopt(&o->coeffs_, quad_scaled.release()) < 0 ||
      list_field_adopt(&l->coeffs_, lin_scaled.release()) < 0)
    return nullptr;
  l->constant_ = constant;
  return return_self(self);
}

// ---- Docstrings ----------------------------------------------------------------------------

const char class_doc[] = R"doc(
    A quadratic expression: a list of terms, each a coefficient times a product of two
    variables, plus a linear expression for the linear terms and the constant.
)doc";

const char init_doc[] = R"doc(
        SIGNATURE:
            QuadExpr(expr=None)

        PURPOSE:
            Create a quadratic expression.

        ARGUMENTS:
            expr=None
            ---------
            None for the zero expression, a quadratic expression to copy, or
            anything LinExpr() accepts: a number, a variable, a linear
            expression.

        EXAMPLE:
            QuadExpr()
            QuadExpr(2.0)
            QuadExpr(x)
            QuadExpr(x * y)

        )doc";

const char add_doc[] = R"doc(
        SIGNATURE:
            add(expr, mult=1.0)

        PURPOSE:
            Add a linear or quadratic expression, multiplied by a factor, to the
            expression.

        ARGUMENTS:
            expr
            ----
            The linear or quadratic expression to add.

            mult=1.0
            --------
            The factor applied to the terms and constant of expr.

        EXAMPLE:
            quadexpr.add(x * y, 2.0)

        )doc";

const char addConstant_doc[] = R"doc(
        SIGNATURE:
            addConstant(c)

        PURPOSE:
            Add a number to the constant of the expression.

        ARGUMENTS:
            c
            -
            The number to add.

        EXAMPLE:
            quadexpr.addConstant(2.0)

        )doc";

const char getConstant_doc[] = R"doc(
        SIGNATURE:
            getConstant()

        PURPOSE:
            Obtain the constant of the expression.

        ARGUMENTS:
            None.

        EXAMPLE:
            print(quadexpr.getConstant())

        )doc";

const char addTerms_doc[] = R"doc(
        SIGNATURE:
            addTerms(coeffs, vars, vars2=None)

        PURPOSE:
            Add linear terms (vars2 None) or quadratic terms to the expression.

        ARGUMENTS:
            coeffs
            ------
            The coefficient of one term, or a list of coefficients.

            vars
            ----
            The (first) variable of one term, or a list of them.

            vars2=None
            ----------
            The second variable of one quadratic term, or a list of them, as
            long as the other two lists.

        EXAMPLE:
            quadexpr.addTerms(2.0, x)
            quadexpr.addTerms(2.0, x, y)
            quadexpr.addTerms([1.0, 2.0], [x, y], [y, z])

        )doc";

const char clear_doc[] = R"doc(
        SIGNATURE:
            clear()

        PURPOSE:
            Remove every term and set the constant to 0.

        ARGUMENTS:
            None.

        EXAMPLE:
            quadexpr.clear()

        )doc";

const char copy_doc[] = R"doc(
        SIGNATURE:
            copy()

        PURPOSE:
            Obtain a copy of the expression.

        ARGUMENTS:
            None.

        EXAMPLE:
            other = quadexpr.copy()

        )doc";

const char getCoeff_doc[] = R"doc(
        SIGNATURE:
            getCoeff(index)

        PURPOSE:
            Obtain the coefficient of a quadratic term.

        ARGUMENTS:
            index
            -----
            The position of the quadratic term, from 0.

        EXAMPLE:
            quadexpr = 2 * x * y + 3 * y * y
            print(quadexpr.getCoeff(1))

        )doc";

const char getVar1_doc[] = R"doc(
        SIGNATURE:
            getVar1(index)

        PURPOSE:
            Obtain the first variable of a quadratic term.

        ARGUMENTS:
            index
            -----
            The position of the quadratic term, from 0.

        EXAMPLE:
            print(quadexpr.getVar1(0))

        )doc";

const char getVar2_doc[] = R"doc(
        SIGNATURE:
            getVar2(index)

        PURPOSE:
            Obtain the second variable of a quadratic term.

        ARGUMENTS:
            index
            -----
            The position of the quadratic term, from 0.

        EXAMPLE:
            print(quadexpr.getVar2(0))

        )doc";

const char getLinExpr_doc[] = R"doc(
        SIGNATURE:
            getLinExpr()

        PURPOSE:
            Obtain the linear part of the expression: the expression's own,
            not a copy.

        ARGUMENTS:
            None.

        EXAMPLE:
            quadexpr.getLinExpr().addConstant(1.0)

        )doc";

const char getValue_doc[] = R"doc(
        SIGNATURE:
            getValue()

        PURPOSE:
            Obtain the value of the expression in the current solution.

        ARGUMENTS:
            None.

        EXAMPLE:
            m.optimize()
            print(quadexpr.getValue())

        )doc";

const char remove_doc[] = R"doc(
        SIGNATURE:
            remove(item)

        PURPOSE:
            Remove the quadratic term at a position, or every term, quadratic and
            linear, that contains a variable.

        ARGUMENTS:
            item
            ----
            An integer position (a position that holds no quadratic term removes
            nothing), or a variable.

        EXAMPLE:
            quadexpr.remove(0)
            quadexpr.remove(x)

        )doc";

const char size_doc[] = R"doc(
        SIGNATURE:
            size()

        PURPOSE:
            Obtain the number of quadratic terms in the expression.

        ARGUMENTS:
            None.

        EXAMPLE:
            print(quadexpr.size())

        )doc";

// ---- Member specs -------------------------------------------------------------------------

const char *const addTerms_args[] = {"self", "coeffs", "vars", "vars2"};
const char *const i_arg[] = {"self", "i"};

using namespace expr_params;

const FuncSpec member_specs[] = {
    DZ_METHOD(QuadExpr, add, add_args, quadexpr_add_impl, add_doc).with_defaults("(1.0,)"),
    DZ_METHOD(QuadExpr, addConstant, c_arg, quadexpr_addConstant_impl, addConstant_doc),
    DZ_METHOD(QuadExpr, getConstant, self_only, quadexpr_getConstant_impl, getConstant_doc),
    DZ_METHOD(QuadExpr, addTerms, addTerms_args, quadexpr_addTerms_impl, addTerms_doc)
        .with_defaults("(None,)"),
    DZ_METHOD(QuadExpr, clear, self_only, quadexpr_clear_impl, clear_doc),
    DZ_METHOD(QuadExpr, copy, self_only, quadexpr_copy_impl, copy_doc),
    DZ_METHOD(QuadExpr, getCoeff, i_arg, quadexpr_item_impl<&QuadExprObject::coeffs_>,
              getCoeff_doc),
    DZ_METHOD(QuadExpr, getVar1, i_arg, quadexpr_item_impl<&QuadExprObject::vars1_>, getVar1_doc),
    DZ_METHOD(QuadExpr, getVar2, i_arg, quadexpr_item_impl<&QuadExprObject::vars2_>, getVar2_doc),
    DZ_METHOD(QuadExpr, getLinExpr, self_only, quadexpr_getLinExpr_impl, getLinExpr_doc),
    DZ_METHOD(QuadExpr, getValue, self_only, quadexpr_getValue_impl, getValue_doc),
    DZ_METHOD(QuadExpr, remove, item_arg, quadexpr_remove_impl, remove_doc),
    DZ_METHOD(QuadExpr, size, self_only, quadexpr_size_impl, size_doc),
};

// ---- Pickling -------------------------------------------------------------------------------

// Restored fields may be objects held elsewhere: the expression takes views
// and a linear part of its own.
int quadexpr_restored(PyObject *self) {
  QuadExprObject *o = as_quadexpr(self);
  return quadexpr_install(self, List_ops.copy(o->coeffs_), List_ops.copy(o->vars1_),
                          List_ops.copy(o->vars2_), linexpr_copy(o->lin_));
}

const PickleField pickle_fields[] = {
    {"coeffs_", T_OBJECT, offsetof(QuadExprObject, coeffs_), &List_Type, false},
    {"lin_", T_OBJECT, offsetof(QuadExprObject, lin_), &LinExpr_Type, false},
    {"vars1_", T_OBJECT, offsetof(QuadExprObject, vars1_), &List_Type, false},
    {"vars2_", T_OBJECT, offsetof(QuadExprObject, vars2_), &List_Type, false},
};
const PickleSpec pickle_spec = {"QuadExpr", pickle_fields, 4, false, quadexpr_restored};

// ---- Class set-up ---------------------------------------------------------------------------

PyNumberMethods quadexpr_as_number = {};

int quadexpr_prepare() {
  PyTypeObject *t = &QuadExpr_Type;
  const ExprTypeSpec spec = {"didazoda.QuadExpr",   sizeof(QuadExprObject),  class_doc,
                             Operand_class.type,    DZ_SLOT(quadexpr_alloc), DZ_SLOT(quadexpr_init),
                             Fields::dealloc,       Fields::traverse,        DZ_SLOT(quadexpr_str),
                             &quadexpr_as_number,   DZ_SLOT(quadexpr_iadd),  DZ_SLOT(quadexpr_isub),
                             DZ_SLOT(quadexpr_imul)};
  if (expr_type_prepare(t, spec) < 0) return -1;
  QuadExpr_ops = {quadexpr_addterm, quadexpr_addexpr};
  return 0;
}

int quadexpr_bind(PyObject *dict) { return bind_functions(dict, member_specs); }

}  // namespace

const ClassDef QuadExpr_class = {&QuadExpr_Type, "QuadExpr", quadexpr_prepare, quadexpr_bind,
                                 init_doc,       true,       &pickle_spec,     nullptr};

}  // namespace dz
