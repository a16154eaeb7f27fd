// LinExpr: construction, editing methods, in-place operators, evaluation.
//
// Methods that call Python code (number conversions, equality, sameAs,
// getAttr, products of non-float coefficients) read the terms through
// snapshots and compute before they change the expression, so that code
// which changes the expression meanwhile cannot make them read past a list
// or leave half a change behind.
#include "expr/linexpr.h"

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

PyTypeObject LinExpr_Type = static_type_object();
LinExprOps LinExpr_ops;

namespace {

// No tp_clear: the fields are Lists, which the collector does not track, so
// no cycle it can find runs through them (a subclass's __dict__ is cleared
// by the subclass machinery); clearing them would only leave an expression
// without lists for code that still holds it.
using Fields =
    GcFields<LinExprObject, Unset::null, NoBase, &LinExprObject::coeffs_, &LinExprObject::vars_>;

// A new object of type holding the two views (stolen) and the constant.
PyObject *linexpr_make(PyTypeObject *type, PyObject *coeffs, PyObject *vars, double constant) {
  PyObject *self = Fields::make(type, coeffs, vars);
  if (self) as_linexpr(self)->constant_ = constant;
  return self;
}

PyObject *linexpr_alloc(PyTypeObject *type, PyObject *, PyObject *) {
  return linexpr_make(type, list_new(), list_new(), 0.0);
}

// ---- Internal operations -----------------------------------------------------------

int linexpr_addterm(PyObject *self, double coeff, PyObject *var) {
  if (coeff == 0.0) return 0;
  Ref c(coeff_float(coeff));
  if (!c) return -1;
  LinExprObject *o = as_linexpr(self);
  if (list_field_add(&o->coeffs_, c.get()) < 0) return -1;
  return list_field_add(&o->vars_, var);
}

int linexpr_addexpr(PyObject *self, PyObject *expr, double mult) {
  if (mult == 0.0) return 0;
  LinTerms t;
  if (linexpr_terms(expr, t) < 0) return -1;
  double k = t.constant;
  ListBlock *coeffs = t.coeffs.block();
  BlockRef scaled;
  if (mult != 1.0) {
    Ref factor(PyFloat_FromDouble(mult));
    if (!factor) return -1;
    scaled.reset(scaled_block(t.coeffs, factor.get(), false));
    if (!scaled) return -1;
    coeffs = scaled.get();
    k *= mult;
  }
  LinExprObject *o = as_linexpr(self);
  if (list_field_extend(&o->coeffs_, coeffs, t.n) < 0) return -1;
  if (list_field_extend(&o->vars_, t.vars.block(), t.n) < 0) return -1;
  o->constant_ = o->constant_ + k;
  return 0;
}

// self.<method>(...) looked up on the object, served in C for the exact
// class.
int linexpr_call_addterms(PyObject *self, PyObject *coeffs, PyObject *vars) {
  if (Py_TYPE(self) == &LinExpr_Type) return linexpr_addterms(self, coeffs, vars);
  Ref r(PyObject_CallMethodObjArgs(self, expr_str().addTerms, coeffs, vars, nullptr));
  return r ? 0 : -1;
}

int linexpr_call_addconstant(PyObject *self, PyObject *c) {
  if (Py_TYPE(self) == &LinExpr_Type) return linexpr_addconstant(self, c);
  Ref r(PyObject_CallMethodObjArgs(self, expr_str().addConstant, c, nullptr));
  return r ? 0 : -1;
}

PyObject *linexpr_call_getconstant(PyObject *e) {
  if (Py_TYPE(e) == &LinExpr_Type) return PyFloat_FromDouble(as_linexpr(e)->constant_);
  return PyObject_CallMethodObjArgs(e, expr_str().getConstant, nullptr);
}

}  // namespace

// ---- C interface -------------------------------------------------------------------

PyObject *linexpr_new() { return linexpr_make(&LinExpr_Type, list_new(), list_new(), 0.0); }

PyObject *linexpr_from_blocks(ListBlock *coeffs, ListBlock *vars, int n, double constant) {
  PyObject *c = list_adopt_prefix(coeffs, n);
  if (!c) {
    List_DecRef(vars);
    return nullptr;
  }
  return linexpr_make(&LinExpr_Type, c, list_adopt_prefix(vars, n), constant);
}

PyObject *linexpr_copy(PyObject *e) {
  LinExprObject *o = as_linexpr(e);
  // LinExpr(e) adds e's constant to 0.0, which turns -0.0 into 0.0.
  return linexpr_make(&LinExpr_Type, List_ops.copy(o->coeffs_), List_ops.copy(o->vars_),
                      0.0 + o->constant_);
}

int linexpr_terms(PyObject *e, LinTerms &out) {
  LinExprObject *o = as_linexpr(e);
  out.coeffs.reset(o->coeffs_);
  out.vars.reset(o->vars_);
  out.constant = o->constant_;
  if (out.coeffs.size() != out.vars.size())
    return raise_unequal_terms("LinExpr", out.coeffs.size(), out.vars.size());
  out.n = out.coeffs.size();
  return 0;
}

int linexpr_addterms(PyObject *self, PyObject *coeffs, PyObject *vars) {
  int seq = is_term_sequence(coeffs);
  if (seq < 0) return -1;
  if (!seq) {
    if (!handle_check(vars, &Var_Type)) {
      raise_text("Expect a var");
      return -1;
    }
    int zero = is_zero(coeffs);
    if (zero) return zero < 0 ? -1 : 0;
    double c;
    if (!as_double(coeffs, &c)) return -1;
    return linexpr_addterm(self, c, vars);
  }
  const Py_ssize_t n = PyObject_Size(coeffs);
  if (n < 0) return -1;
  for (Py_ssize_t i = 0; i < n; i++) {
    Ref coeff(PySequence_GetItem(coeffs, i));
    if (!coeff) return -1;
    int zero = is_zero(coeff.get());
    if (zero < 0) return -1;
    if (zero) continue;
    Ref var(sequence_item(vars, i));
    if (!var) return -1;
    if (!handle_check(var.get(), &Var_Type)) {
      raise_text("Expect a list of var");
      return -1;
    }
    double c;
    if (!as_double(coeff.get(), &c)) return -1;
    if (linexpr_addterm(self, c, var.get()) < 0) return -1;
  }
  return 0;
}

int linexpr_addconstant(PyObject *self, PyObject *c) {
  double value;
  if (PyFloat_CheckExact(c) || PyLong_CheckExact(c)) {
    if (!as_double(c, &value)) return -1;
    value = as_linexpr(self)->constant_ + value;
  } else {
    Ref base(PyFloat_FromDouble(as_linexpr(self)->constant_));
    if (!base) return -1;
    Ref sum(PyNumber_Add(base.get(), c));
    if (!sum || !float_of(sum.get(), &value)) return -1;
  }
  as_linexpr(self)->constant_ = value;
  return 0;
}

int linexpr_clear(PyObject *self) {
  LinExprObject *o = as_linexpr(self);
  Ref coeffs = Ref::borrow(o->coeffs_);
  if (List_ops.clear(coeffs.get()) < 0) return -1;
  Ref vars = Ref::borrow(o->vars_);
  if (List_ops.clear(vars.get()) < 0) return -1;
  o->constant_ = 0.0;
  return 0;
}

PyObject *linexpr_getvalue(PyObject *self) {
  LinTerms t;
  if (linexpr_terms(self, t) < 0) return nullptr;
  Ref value(PyFloat_FromDouble(t.constant));
  if (!value) return nullptr;
  for (int i = 0; i < t.n; i++) {
    Ref x(var_value(t.vars.at(i)));
    if (!x) return nullptr;
    Ref term(PyNumber_Multiply(t.coeffs.at(i), x.get()));
    if (!term) return nullptr;
    value = Ref(PyNumber_InPlaceAdd(value.get(), term.get()));
    if (!value) return nullptr;
  }
  return value.release();
}

int linexpr_var_positions(PyObject *self, PyObject *var, Positions &out) {
  LinTerms t;
  if (linexpr_terms(self, t) < 0) return -1;
  for (int i = 0; i < t.n; i++) {
    int same = same_var(t.vars.at(i), var);
    if (same < 0) return -1;
    if (same && !out.push(i)) return -1;
  }
  return 0;
}

int linexpr_remove_positions(PyObject *self, const Positions &p) {
  if (p.size() == 0) return 0;
  LinExprObject *o = as_linexpr(self);
  if (list_field_remove(&o->coeffs_, p.data(), p.size()) < 0) return -1;
  return list_field_remove(&o->vars_, p.data(), p.size());
}

int linexpr_add_operand(PyObject *self, PyObject *other) {
  if (handle_check(other, &Var_Type)) return LinExpr_ops.addterm(self, 1.0, other) < 0 ? -1 : 1;
  if (linexpr_check(other)) return LinExpr_ops.addexpr(self, other, 1.0) < 0 ? -1 : 1;
  return 0;
}

namespace {

// ---- Construction --------------------------------------------------------------------

const char *const init_argnames[] = {"self", "arg1", "arg2"};
const FuncSpec init_spec =
    func_spec("__init__", "LinExpr.__init__", init_argnames, FUNC_METHOD, nullptr, nullptr, nullptr)
        .with_defaults("(0, None)");

int linexpr_init(PyObject *self, PyObject *args, PyObject *kwargs) {
  ParsedArgs a;
  if (parse_init(&init_spec, self, args, kwargs, a) < 0) return -1;
  PyObject *arg1 = a[1], *arg2 = a[2];
  LinExprObject *o = as_linexpr(self);
  {
    Ref coeffs(list_new());
    if (!coeffs) return -1;
    Ref vars(list_new());
    if (!vars) return -1;
    Py_SETREF(o->coeffs_, coeffs.release());
    Py_SETREF(o->vars_, vars.release());
    o->constant_ = 0.0;
  }
  if (arg2 != Py_None) return linexpr_call_addterms(self, arg1, arg2);
  if (handle_check(arg1, &Var_Type)) {
    Ref one(PyLong_FromLong(1));
    if (!one) return -1;
    return linexpr_call_addterms(self, one.get(), arg1);
  }
  if (linexpr_check(arg1)) {
    LinExprObject *src = as_linexpr(arg1);
    Ref coeffs(List_ops.copy(src->coeffs_));
    if (!coeffs) return -1;
    Ref vars(List_ops.copy(src->vars_));
    if (!vars) return -1;
    Py_SETREF(o->coeffs_, coeffs.release());
    Py_SETREF(o->vars_, vars.release());
    Ref constant(linexpr_call_getconstant(arg1));
    if (!constant) return -1;
    return linexpr_call_addconstant(self, constant.get());
  }
  int pairs = PyList_Check(arg1) || PyTuple_Check(arg1) ? 1 : is_ndarray(arg1);
  if (pairs < 0) return -1;
  if (pairs) return add_term_pairs(self, arg1, false, linexpr_call_addterms);
  double constant;
  if (!float_of(arg1, &constant)) return -1;
  o->constant_ = constant;
  return 0;
}

// ---- In-place operators ------------------------------------------------------------

PyObject *return_self(PyObject *self) { return new_ref(self); }

PyObject *linexpr_iadd(PyObject *self, PyObject *other) {
  int number = is_number(other);
  if (number < 0) return nullptr;
  if (number) {
    double d;
    if (!as_double(other, &d)) return nullptr;
    as_linexpr(self)->constant_ += d;
  } else if (handle_check(other, &Var_Type)) {
    if (linexpr_addterm(self, 1.0, other) < 0) return nullptr;
  } else if (linexpr_check(other)) {
    if (linexpr_addexpr(self, other, 1.0) < 0) return nullptr;
  } else {
    return raise_unsupported("+=", self, other);
  }
  return return_self(self);
}

PyObject *linexpr_isub(PyObject *self, PyObject *other) {
  Ref negated(PyNumber_Negative(other));
  if (!negated) return nullptr;
  return PyObject_CallMethodObjArgs(self, expr_str().iadd, negated.get(), nullptr);
}

// The new constant is computed before anything is scaled, and the scaled
// coefficients are installed only if no Python code changed the expression
// while they were computed.
PyObject *linexpr_imul(PyObject *self, PyObject *other) {
  int number = is_number(other);
  if (number < 0) return nullptr;
  if (!number) return raise_unsupported("*=", self, other);
  double d;
  if (!as_double(other, &d)) return nullptr;
  LinExprObject *o = as_linexpr(self);
  const double before = o->constant_;
  Ref base(PyFloat_FromDouble(before));
  if (!base) return nullptr;
  Ref product(PyNumber_Multiply(base.get(), other));
  double constant;
  if (!product || !float_of(product.get(), &constant)) return nullptr;
  FieldState coeffs(o->coeffs_);
  Ref factor(PyFloat_FromDouble(d));
  if (!factor) return nullptr;
  BlockRef scaled(scaled_block(coeffs.snap(), factor.get(), false));
  if (!scaled) return nullptr;
  if (!coeffs.unchanged(o->coeffs_) || !same_bits(before, o->constant_)) return raise_changed("*=");
  if (list_field_adopt(&o->coeffs_, scaled.release()) < 0) return nullptr;
  o->constant_ = constant;
  return return_self(self);
}

// ---- Methods ---------------------------------------------------------------------------

PyObject *linexpr_addTerms_impl(PyObject *, PyObject *const *args) {
  if (linexpr_addterms(args[0], args[1], args[2]) < 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *linexpr_add_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *expr = args[1];
  if (!check_arg_type(expr, &LinExpr_Type, "expr", false)) return nullptr;
  double mult;
  if (!as_double(args[2], &mult)) return nullptr;
  if (mult == 0.0) Py_RETURN_NONE;
  // None passes the type test but has no terms to add.
  if (expr == Py_None) return raise_arg_type(expr, &LinExpr_Type, "expr"), nullptr;
  if (linexpr_addexpr(self, expr, mult) < 0) return nullptr;
  Py_RETURN_NONE;
}

// The view is held: converting the index may run Python code that replaces
// the field.
PyObject *linexpr_getCoeff_impl(PyObject *, PyObject *const *args) {
  Ref view = Ref::borrow(as_linexpr(args[0])->coeffs_);
  return term_item(view.get(), args[1]);
}

PyObject *linexpr_getVar_impl(PyObject *, PyObject *const *args) {
  Ref view = Ref::borrow(as_linexpr(args[0])->vars_);
  return term_item(view.get(), args[1]);
}

PyObject *linexpr_getValue_impl(PyObject *, PyObject *const *args) {
  return linexpr_getvalue(args[0]);
}

PyObject *linexpr_addConstant_impl(PyObject *, PyObject *const *args) {
  if (linexpr_addconstant(args[0], args[1]) < 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *linexpr_getConstant_impl(PyObject *, PyObject *const *args) {
  return PyFloat_FromDouble(as_linexpr(args[0])->constant_);
}

PyObject *linexpr_size_impl(PyObject *, PyObject *const *args) {
  return PyLong_FromLong(as_list(as_linexpr(args[0])->coeffs_)->size_);
}

PyObject *linexpr_clear_impl(PyObject *, PyObject *const *args) {
  if (linexpr_clear(args[0]) < 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *linexpr_remove_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *item = args[1];
  Positions p;
  if (PyLong_Check(item)) {
    LinTerms t;
    if (linexpr_terms(self, t) < 0) return nullptr;
    int j = 0;
    const int found = match_position(item, t.n, &j);
    if (found < 0 || (found && !p.push(j))) return nullptr;
  } else if (handle_check(item, &Var_Type)) {
    if (linexpr_var_positions(self, item, p) < 0) return nullptr;
  } else {
    PyErr_SetString(PyExc_TypeError, "Argument `item` should be an integer or Var");
    return nullptr;
  }
  if (linexpr_remove_positions(self, p) < 0) return nullptr;
  Py_RETURN_NONE;
}

// ---- Docstrings ----------------------------------------------------------------------

const char class_doc[] = R"doc(
    A linear expression: a constant plus a list of terms, each a coefficient times a
    variable. Terms keep the order in which they were added; equal variables are not
    merged.
)doc";

const char init_doc[] = R"doc(
        SIGNATURE:
            LinExpr(arg1=0, arg2=None)

        PURPOSE:
            Create a linear expression.

        ARGUMENTS:
            arg1=0
            ------
            A constant, a variable, a linear expression to copy, a list of
            (coefficient, variable) pairs, or the coefficients of the terms
            when arg2 is given.

            arg2=None
            ---------
            The variables of the terms, one for each coefficient in arg1.

        EXAMPLE:
            LinExpr()
            LinExpr(2.0)
            LinExpr(x)
            LinExpr(2, x)
            LinExpr([1, 2], [x, y])
            LinExpr([(1, x), (2, y)])

        )doc";

const char addTerms_doc[] = R"doc(
        SIGNATURE:
            addTerms(coeffs, vars)

        PURPOSE:
            Add one term or a list of terms to the expression.

        ARGUMENTS:
            coeffs
            ------
            The coefficient of one term, or a list of coefficients. Terms whose
            coefficient is 0 are not added.

            vars
            ----
            The variable of one term, or a list of variables.

        EXAMPLE:
            expr.addTerms(2.0, x)
            expr.addTerms([1.0, 2.0], [x, y])

        )doc";

const char add_doc[] = R"doc(
        SIGNATURE:
            add(expr, mult=1.0)

        PURPOSE:
            Add a linear expression, multiplied by a factor, to the expression.

        ARGUMENTS:
            expr
            ----
            The linear expression to add.

            mult=1.0
            --------
            The factor applied to the terms and constant of expr.

        EXAMPLE:
            expr.add(LinExpr(x), 2.0)

        )doc";

const char getCoeff_doc[] = R"doc(
        SIGNATURE:
            getCoeff(index)

        PURPOSE:
            Obtain the coefficient of a term.

        ARGUMENTS:
            index
            -----
            The position of the term, from 0.

        EXAMPLE:
            expr = 2 * x + 3 * y
            print(expr.getCoeff(0))

        )doc";

const char getVar_doc[] = R"doc(
        SIGNATURE:
            getVar(index)

        PURPOSE:
            Obtain the variable of a term.

        ARGUMENTS:
            index
            -----
            The position of the term, from 0.

        EXAMPLE:
            expr = 2 * x + 3 * y
            print(expr.getVar(0).sameAs(x))

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
            print(expr.getValue())

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
            expr.addConstant(2.0)

        )doc";

const char getConstant_doc[] = R"doc(
        SIGNATURE:
            getConstant()

        PURPOSE:
            Obtain the constant of the expression.

        ARGUMENTS:
            None.

        EXAMPLE:
            print(expr.getConstant())

        )doc";

const char size_doc[] = R"doc(
        SIGNATURE:
            size()

        PURPOSE:
            Obtain the number of terms in the expression.

        ARGUMENTS:
            None.

        EXAMPLE:
            print(expr.size())

        )doc";

const char clear_doc[] = R"doc(
        SIGNATURE:
            clear()

        PURPOSE:
            Remove every term and set the constant to 0.

        ARGUMENTS:
            None.

        EXAMPLE:
            expr.clear()

        )doc";

const char remove_doc[] = R"doc(
        SIGNATURE:
            remove(item)

        PURPOSE:
            Remove the term at a position, or every term of a variable.

        ARGUMENTS:
            item
            ----
            An integer position (a position that holds no term removes nothing),
            or a variable.

        EXAMPLE:
            expr.remove(0)
            expr.remove(x)

        )doc";

// ---- Member specs ----------------------------------------------------------------------

using namespace expr_params;

const FuncSpec member_specs[] = {
    DZ_METHOD(LinExpr, addTerms, addTerms_args, linexpr_addTerms_impl, addTerms_doc),
    DZ_METHOD(LinExpr, add, add_args, linexpr_add_impl, add_doc).with_defaults("(1.0,)"),
    DZ_METHOD(LinExpr, getCoeff, index_arg, linexpr_getCoeff_impl, getCoeff_doc),
    DZ_METHOD(LinExpr, getVar, index_arg, linexpr_getVar_impl, getVar_doc),
    DZ_METHOD(LinExpr, getValue, self_only, linexpr_getValue_impl, getValue_doc),
    DZ_METHOD(LinExpr, addConstant, c_arg, linexpr_addConstant_impl, addConstant_doc),
    DZ_METHOD(LinExpr, getConstant, self_only, linexpr_getConstant_impl, getConstant_doc),
    DZ_METHOD(LinExpr, size, self_only, linexpr_size_impl, size_doc),
    DZ_METHOD(LinExpr, clear, self_only, linexpr_clear_impl, clear_doc),
    DZ_METHOD(LinExpr, remove, item_arg, linexpr_remove_impl, remove_doc),
};

// ---- Pickling -----------------------------------------------------------------------------

// Restored lists may be objects held elsewhere: the expression takes views
// of its own, of equal length.
int linexpr_restored(PyObject *self) {
  LinExprObject *o = as_linexpr(self);
  Ref coeffs(List_ops.copy(o->coeffs_));
  if (!coeffs) return -1;
  Ref vars(List_ops.copy(o->vars_));
  if (!vars) return -1;
  if (as_list(coeffs.get())->size_ != as_list(vars.get())->size_) {
    PyErr_SetString(PyExc_ValueError, "invalid pickled state for didazoda.LinExpr");
    return -1;
  }
  Py_SETREF(o->coeffs_, coeffs.release());
  Py_SETREF(o->vars_, vars.release());
  return 0;
}

const PickleField pickle_fields[] = {
    {"coeffs_", T_OBJECT, offsetof(LinExprObject, coeffs_), &List_Type, false},
    {"constant_", T_DOUBLE, offsetof(LinExprObject, constant_), nullptr, false},
    {"vars_", T_OBJECT, offsetof(LinExprObject, vars_), &List_Type, false},
};
const PickleSpec pickle_spec = {"LinExpr", pickle_fields, 3, false, linexpr_restored};

// ---- Class set-up ------------------------------------------------------------------------

PyNumberMethods linexpr_as_number = {};

int linexpr_prepare() {
  PyTypeObject *t = &LinExpr_Type;
  const ExprTypeSpec spec = {"didazoda.LinExpr",   sizeof(LinExprObject),  class_doc,
                             Operand_class.type,   DZ_SLOT(linexpr_alloc), DZ_SLOT(linexpr_init),
                             Fields::dealloc,      Fields::traverse,       DZ_SLOT(linexpr_str),
                             &linexpr_as_number,   DZ_SLOT(linexpr_iadd),  DZ_SLOT(linexpr_isub),
                             DZ_SLOT(linexpr_imul)};
  if (expr_type_prepare(t, spec) < 0) return -1;
  LinExpr_ops = {linexpr_addterm, linexpr_addexpr};
  return 0;
}

int linexpr_bind(PyObject *dict) { return bind_functions(dict, member_specs); }

}  // namespace

const ClassDef LinExpr_class = {&LinExpr_Type, "LinExpr", linexpr_prepare, linexpr_bind,
                                init_doc,      true,      &pickle_spec,    nullptr};

}  // namespace dz
