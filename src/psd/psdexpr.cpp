// PsdExpr: construction, editing methods and in-place operators. As in
// LinExpr, whatever calls Python code (a matrix's product, a variable's Dim)
// reads snapshots and computes before it changes the expression.
#include "psd/psdexpr.h"

#include <cstddef>

#include "expr/expr_util.h"
#include "expr/terms.h"
#include "expr/text.h"
#include "model/handles.h"
#include "module/tarvex_error.h"
#include "runtime/gc_fields.h"
#include "runtime/args.h"
#include "runtime/arraylike.h"
#include "runtime/decorators.h"
#include "runtime/function.h"
#include "runtime/guard.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject PsdExpr_Type = static_type_object();
PsdExprOps PsdExpr_ops;

namespace {

// No tp_clear, as for LinExpr: the fields are Lists and an exact LinExpr,
// whose items the collector never reaches, so no cycle it can find runs
// through them; clearing would only leave an expression without fields.
using Fields = GcFields<PsdExprObject, Unset::null, NoBase, &PsdExprObject::coeffs_,
                        &PsdExprObject::vars_, &PsdExprObject::lin_>;

PyObject *psdexpr_make(PyTypeObject *type, PyObject *coeffs, PyObject *vars, PyObject *lin) {
  return Fields::make(type, coeffs, vars, lin);
}

PyObject *psdexpr_alloc(PyTypeObject *type, PyObject *, PyObject *) {
  return psdexpr_make(type, list_new(), list_new(), linexpr_new());
}

Ref lin_of(PyObject *self) { return Ref::borrow(as_psdexpr(self)->lin_); }

// Installs the three fields (stolen); the old values go after all are set.
int psdexpr_install(PyObject *self, PyObject *coeffs, PyObject *vars, PyObject *lin) {
  return Fields::install(self, coeffs, vars, lin);
}

// ---- Internal operations ------------------------------------------------------------

// Python's != of two shape entries or dimensions: 1, 0, or -1.
int differ(PyObject *a, PyObject *b) { return PyObject_RichCompareBool(a, b, Py_NE); }

int psdexpr_addterm(PyObject *self, PyObject *coeff, PyObject *var) {
  Ref shape(PyObject_GetAttrString(coeff, "shape"));
  if (!shape || check_matrix_shape(shape.get()) < 0) return -1;
  Ref rows(PySequence_GetItem(shape.get(), 0));
  if (!rows) return -1;
  Ref cols(PySequence_GetItem(shape.get(), 1));
  if (!cols) return -1;
  int d = differ(rows.get(), cols.get());
  if (d) {
    if (d > 0) PyErr_SetString(PyExc_ValueError, "expect a square matrix");
    return -1;
  }
  Ref dim(PyObject_GetAttrString(var, "dim"));
  if (!dim) return -1;
  d = differ(rows.get(), dim.get());
  if (d) {
    if (d > 0) PyErr_SetString(PyExc_ValueError, "coefficient has different dim from psd variable");
    return -1;
  }
  PsdExprObject *o = as_psdexpr(self);
  if (list_field_add(&o->coeffs_, coeff) < 0) return -1;
  return list_field_add(&o->vars_, var);
}

int psdexpr_addexpr(PyObject *self, PyObject *expr, double mult) {
  PsdTerms t;
  if (psdexpr_terms(expr, t) < 0) return -1;
  Ref lin(linexpr_copy(as_psdexpr(expr)->lin_));
  if (!lin) return -1;
  ListBlock *coeffs = t.coeffs.block();
  BlockRef scaled;
  if (mult != 1.0) {
    Ref factor(PyFloat_FromDouble(mult));
    if (!factor) return -1;
    scaled.reset(scaled_block(t.coeffs, factor.get(), false));
    if (!scaled) return -1;
    coeffs = scaled.get();
    lin = Ref(PyNumber_InPlaceMultiply(lin.get(), factor.get()));
    if (!lin) return -1;
  }
  Ref own = lin_of(self);
  if (LinExpr_ops.addexpr(own.get(), lin.get(), 1.0) < 0) return -1;
  PsdExprObject *o = as_psdexpr(self);
  if (list_field_extend(&o->coeffs_, coeffs, t.n) < 0) return -1;
  return list_field_extend(&o->vars_, t.vars.block(), t.n);
}

// One linear term (coeff, var): a zero coefficient adds nothing.
int add_linear_term(PyObject *self, PyObject *coeff, PyObject *var) {
  double c;
  if (!float_of(coeff, &c)) return -1;
  Ref lin = lin_of(self);
  return LinExpr_ops.addterm(lin.get(), c, var);
}

int psdexpr_addterms(PyObject *self, PyObject *coeffs, PyObject *vars) {
  const int seq = is_term_sequence(vars);
  if (seq < 0) return -1;
  if (!seq) {
    if (handle_check(vars, &Var_Type)) {
      const int zero = is_zero(coeffs);
      if (zero) return zero < 0 ? -1 : 0;
      return add_linear_term(self, coeffs, vars);
    }
    if (handle_check(vars, &PsdVar_Type)) return psdexpr_addterm(self, coeffs, vars);
    raise_text("Expect a var");
    return -1;
  }
  const Py_ssize_t n = PyObject_Size(coeffs);
  if (n < 0) return -1;
  for (Py_ssize_t i = 0; i < n; i++) {
    Ref coeff(sequence_item(coeffs, i));
    if (!coeff) return -1;
    Ref var(sequence_item(vars, i));
    if (!var) return -1;
    if (handle_check(var.get(), &Var_Type)) {
      const int number = is_number(coeff.get());
      if (number < 0) return -1;
      if (!number) {
        raise_text("Expect a list of float value as coefficients");
        return -1;
      }
      if (add_linear_term(self, coeff.get(), var.get()) < 0) return -1;
    } else if (handle_check(var.get(), &PsdVar_Type)) {
      int matrix = is_ndarray(coeff.get());
      if (matrix == 0) matrix = is_sparse(coeff.get());
      if (matrix < 0) return -1;
      if (!matrix) {
        raise_text("Expect a list of numpy ndarray or scipy sparse matrix");
        return -1;
      }
      if (psdexpr_addterm(self, coeff.get(), var.get()) < 0) return -1;
    } else {
      raise_text("Invalid arguments");
      return -1;
    }
  }
  return 0;
}

// ---- Construction ---------------------------------------------------------------------

const char *const init_argnames[] = {"self", "arg1", "arg2"};
const FuncSpec init_spec =
    func_spec("__init__", "PsdExpr.__init__", init_argnames, FUNC_METHOD, nullptr, nullptr, nullptr)
        .with_defaults("(0, None)");

int psdexpr_init(PyObject *self, PyObject *args, PyObject *kwargs) {
  ParsedArgs a;
  if (parse_init(&init_spec, self, args, kwargs, a) < 0) return -1;
  PyObject *arg1 = a[1], *arg2 = a[2];
  if (psdexpr_install(self, list_new(), list_new(), linexpr_new()) < 0) return -1;
  if (arg2 != Py_None) return psdexpr_addterms(self, arg1, arg2);
  if (handle_check(arg1, &Var_Type)) {
    Ref lin = lin_of(self);
    return LinExpr_ops.addterm(lin.get(), 1.0, arg1);
  }
  if (psdexpr_check(arg1)) {
    PsdExprObject *src = as_psdexpr(arg1);
    return psdexpr_install(self, List_ops.copy(src->coeffs_), List_ops.copy(src->vars_),
                           linexpr_copy(src->lin_));
  }
  if (linexpr_check(arg1)) {
    Ref lin(linexpr_copy(arg1));
    if (!lin) return -1;
    Py_SETREF(as_psdexpr(self)->lin_, lin.release());
    return 0;
  }
  int pairs = PyList_Check(arg1) || PyTuple_Check(arg1) ? 1 : is_ndarray(arg1);
  if (pairs < 0) return -1;
  if (pairs) return add_term_pairs(self, arg1, true, psdexpr_addterms);
  double constant;
  if (!float_of(arg1, &constant)) return -1;
  as_linexpr(as_psdexpr(self)->lin_)->constant_ += constant;
  return 0;
}

// ---- Methods ----------------------------------------------------------------------------

PyObject *psdexpr_addTerms_impl(PyObject *, PyObject *const *args) {
  if (psdexpr_addterms(args[0], args[1], args[2]) < 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *psdexpr_add_impl(PyObject *, PyObject *const *args) {
  PyObject *expr = args[1];
  if (!psdexpr_check(expr)) return raise_arg_type(expr, &PsdExpr_Type, "expr"), nullptr;
  double mult;
  if (!float_of(args[2], &mult)) return nullptr;
  if (psdexpr_addexpr(args[0], expr, mult) < 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *psdexpr_size_impl(PyObject *, PyObject *const *args) {
  return PyLong_FromLong(as_list(as_psdexpr(args[0])->coeffs_)->size_);
}

// The view is held: converting the index may run Python code.
template <PyObject *PsdExprObject::*Field>
PyObject *psdexpr_item_impl(PyObject *, PyObject *const *args) {
  Ref view = Ref::borrow(as_psdexpr(args[0])->*Field);
  return term_item(view.get(), args[1]);
}

PyObject *psdexpr_getLinExpr_impl(PyObject *, PyObject *const *args) {
  return new_ref(as_psdexpr(args[0])->lin_);
}

PyObject *psdexpr_getConstant_impl(PyObject *, PyObject *const *args) {
  return PyFloat_FromDouble(as_linexpr(as_psdexpr(args[0])->lin_)->constant_);
}

PyObject *psdexpr_addConstant_impl(PyObject *, PyObject *const *args) {
  Ref lin = lin_of(args[0]);
  if (linexpr_addconstant(lin.get(), args[1]) < 0) return nullptr;
  Py_RETURN_NONE;
}

PyObject *psdexpr_clear_impl(PyObject *, PyObject *const *args) {
  PsdExprObject *o = as_psdexpr(args[0]);
  for (PyObject **field : {&o->coeffs_, &o->vars_}) {
    Ref view = Ref::borrow(*field);
    if (List_ops.clear(view.get()) < 0) return nullptr;
  }
  Ref lin = lin_of(args[0]);
  if (linexpr_clear(lin.get()) < 0) return nullptr;
  Py_RETURN_NONE;
}

int remove_positions(PyObject *self, const Positions &p) {
  if (p.size() == 0) return 0;
  PsdExprObject *o = as_psdexpr(self);
  if (list_field_remove(&o->coeffs_, p.data(), p.size()) < 0) return -1;
  return list_field_remove(&o->vars_, p.data(), p.size());
}

PyObject *psdexpr_remove_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *item = args[1];
  Positions p;
  if (PyLong_Check(item)) {
    PsdTerms t;
    if (psdexpr_terms(self, t) < 0) return nullptr;
    int j = 0;
    const int found = match_position(item, t.n, &j);
    if (found < 0 || (found && !p.push(j))) return nullptr;
    if (remove_positions(self, p) < 0) return nullptr;
  } else if (handle_check(item, &PsdVar_Type)) {
    PsdTerms t;
    if (psdexpr_terms(self, t) < 0) return nullptr;
    for (int k = 0; k < t.n; k++) {
      const int same = same_var(t.vars.at(k), item);
      if (same < 0 || (same && !p.push(k))) return nullptr;
    }
    if (remove_positions(self, p) < 0) return nullptr;
  } else if (handle_check(item, &Var_Type)) {
    Ref lin = lin_of(self);
    if (linexpr_var_positions(lin.get(), item, p) < 0 || linexpr_remove_positions(lin.get(), p) < 0)
      return nullptr;
  } else {
    PyErr_SetString(PyExc_TypeError, "Argument `item` should be an integer or Var");
    return nullptr;
  }
  Py_RETURN_NONE;
}

PyObject *psdexpr_getValue_impl(PyObject *, PyObject *const *args) {
  return psdexpr_getvalue(args[0]);
}

// ---- Docstrings ----------------------------------------------------------------------------

const char class_doc[] = R"doc(
    A semidefinite expression: a list of terms, each a coefficient matrix times a
    PsdVar (their inner product), plus a linear expression for the linear terms and
    the constant.
)doc";

const char init_doc[] = R"doc(
        SIGNATURE:
            PsdExpr(arg1=0, arg2=None)

        PURPOSE:
            Create a semidefinite expression.

        ARGUMENTS:
            arg1=0
            ------
            A constant, a Var, a LinExpr or PsdExpr to copy, a list of
            (coefficient, variable) pairs, or the coefficients of the terms when
            arg2 is given.

            arg2=None
            ---------
            The variables (PsdVar or Var) of the terms, one for each coefficient
            in arg1.

        EXAMPLE:
            PsdExpr()
            PsdExpr(numpy.identity(2), X)
            PsdExpr([(C, X), (2.0, x)])

        )doc";

const char addTerms_doc[] = R"doc(
        SIGNATURE:
            addTerms(coeffs, vars)

        PURPOSE:
            Add one term or a list of terms to the expression.

        ARGUMENTS:
            coeffs
            ------
            The coefficient of one term (a matrix for a PsdVar, a number for a
            Var), or a list of them.

            vars
            ----
            The variable of one term, or a list of variables.

        EXAMPLE:
            expr.addTerms(numpy.identity(2), X)
            expr.addTerms([C, 2.0], [X, x])

        )doc";

const char add_doc[] = R"doc(
        SIGNATURE:
            add(expr, mult=1.0)

        PURPOSE:
            Add a semidefinite expression, multiplied by a factor, to the
            expression.

        ARGUMENTS:
            expr
            ----
            The semidefinite expression to add.

            mult=1.0
            --------
            The factor applied to the matrices, linear terms and constant of
            expr.

        EXAMPLE:
            expr.add(other, -1.0)

        )doc";

const char size_doc[] = R"doc(
        SIGNATURE:
            size()

        PURPOSE:
            Obtain the number of matrix terms in the expression.

        ARGUMENTS:
            None.

        EXAMPLE:
            print(expr.size())

        )doc";

const char getCoeff_doc[] = R"doc(
        SIGNATURE:
            getCoeff(index)

        PURPOSE:
            Obtain the coefficient matrix of a matrix term.

        ARGUMENTS:
            index
            -----
            The position of the matrix term, from 0.

        EXAMPLE:
            print(expr.getCoeff(0))

        )doc";

const char getVar_doc[] = R"doc(
        SIGNATURE:
            getVar(index)

        PURPOSE:
            Obtain the PsdVar of a matrix term.

        ARGUMENTS:
            index
            -----
            The position of the matrix term, from 0.

        EXAMPLE:
            print(expr.getVar(0).sameAs(X))

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
            expr.getLinExpr().addConstant(1.0)

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

const char clear_doc[] = R"doc(
        SIGNATURE:
            clear()

        PURPOSE:
            Remove every matrix and linear term and set the constant to 0.

        ARGUMENTS:
            None.

        EXAMPLE:
            expr.clear()

        )doc";

const char remove_doc[] = R"doc(
        SIGNATURE:
            remove(item)

        PURPOSE:
            Remove the matrix term at a position, every matrix term of a PsdVar, or
            every linear term of a Var.

        ARGUMENTS:
            item
            ----
            An integer position (a position that holds no matrix term removes
            nothing), a PsdVar or a Var.

        EXAMPLE:
            expr.remove(0)
            expr.remove(X)

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

// ---- Member specs ----------------------------------------------------------------------------

using namespace expr_params;

const FuncSpec member_specs[] = {
    DZ_METHOD(PsdExpr, addTerms, addTerms_args, psdexpr_addTerms_impl, addTerms_doc),
    DZ_METHOD(PsdExpr, add, add_args, psdexpr_add_impl, add_doc).with_defaults("(1.0,)"),
    DZ_METHOD(PsdExpr, getCoeff, index_arg, psdexpr_item_impl<&PsdExprObject::coeffs_>,
              getCoeff_doc),
    DZ_METHOD(PsdExpr, getVar, index_arg, psdexpr_item_impl<&PsdExprObject::vars_>, getVar_doc),
    DZ_METHOD(PsdExpr, getLinExpr, self_only, psdexpr_getLinExpr_impl, getLinExpr_doc),
    DZ_METHOD(PsdExpr, getValue, self_only, psdexpr_getValue_impl, getValue_doc),
    DZ_METHOD(PsdExpr, addConstant, c_arg, psdexpr_addConstant_impl, addConstant_doc),
    DZ_METHOD(PsdExpr, getConstant, self_only, psdexpr_getConstant_impl, getConstant_doc),
    DZ_METHOD(PsdExpr, size, self_only, psdexpr_size_impl, size_doc),
    DZ_METHOD(PsdExpr, clear, self_only, psdexpr_clear_impl, clear_doc),
    DZ_METHOD(PsdExpr, remove, item_arg, psdexpr_remove_impl, remove_doc),
};

// ---- Pickling ---------------------------------------------------------------------------------

// Restored fields may be objects held elsewhere: the expression takes views
// and a linear part of its own.
int psdexpr_restored(PyObject *self) {
  PsdExprObject *o = as_psdexpr(self);
  return psdexpr_install(self, List_ops.copy(o->coeffs_), List_ops.copy(o->vars_),
                         linexpr_copy(o->lin_));
}

const PickleField pickle_fields[] = {
    {"coeffs_", T_OBJECT, offsetof(PsdExprObject, coeffs_), &List_Type, false},
    {"lin_", T_OBJECT, offsetof(PsdExprObject, lin_), &LinExpr_Type, false},
    {"vars_", T_OBJECT, offsetof(PsdExprObject, vars_), &List_Type, false},
};
const PickleSpec pickle_spec = {"PsdExpr", pickle_fields, 3, false, psdexpr_restored};

// ---- Class set-up -----------------------------------------------------------------------------

int psdexpr_prepare() {
  PyTypeObject *t = &PsdExpr_Type;
  // No number table: the operators are set below.
  const ExprTypeSpec spec = {
      "didazoda.PsdExpr",     sizeof(PsdExprObject), class_doc,       nullptr,
      DZ_SLOT(psdexpr_alloc), DZ_SLOT(psdexpr_init), Fields::dealloc, Fields::traverse,
      DZ_SLOT(psdexpr_str)};
  if (expr_type_prepare(t, spec) < 0) return -1;
  t->tp_methods = psdexpr_reflected_methods;
  psdexpr_set_operators(t);
  PsdExpr_ops = {psdexpr_addterm, psdexpr_addexpr, psdexpr_restore_symmat};
  return 0;
}

// __array_priority__ first, an int, so that numpy's operators give way.
int psdexpr_bind(PyObject *dict) {
  Ref priority(PyLong_FromLong(1000));
  if (!priority || PyDict_SetItemString(dict, "__array_priority__", priority.get()) < 0) return -1;
  PyType_Modified(&PsdExpr_Type);
  return bind_functions(dict, member_specs);
}

}  // namespace

PyObject *psdexpr_copy(PyObject *e) {
  PsdExprObject *o = as_psdexpr(e);
  return psdexpr_make(&PsdExpr_Type, List_ops.copy(o->coeffs_), List_ops.copy(o->vars_),
                      linexpr_copy(o->lin_));
}

int psdexpr_terms(PyObject *e, PsdTerms &out) {
  PsdExprObject *o = as_psdexpr(e);
  out.coeffs.reset(o->coeffs_);
  out.vars.reset(o->vars_);
  const int n = out.coeffs.size();
  if (out.vars.size() != n) return raise_unequal_terms("PsdExpr", n, out.vars.size());
  out.n = n;
  return 0;
}

PyObject *psdexpr_iadd(PyObject *self, PyObject *other) {
  const int number = is_number(other);
  if (number < 0) return nullptr;
  Ref lin = lin_of(self);
  if (number) {
    double d;
    if (!float_of(other, &d)) return nullptr;
    as_linexpr(lin.get())->constant_ += d;
    return new_ref(self);
  }
  int done = linexpr_add_operand(lin.get(), other);
  if (done == 0 && psdexpr_check(other)) done = psdexpr_addexpr(self, other, 1.0) < 0 ? -1 : 1;
  if (done == 0) return raise_unsupported("+=", self, other);
  if (done < 0) return nullptr;
  return new_ref(self);
}

PyObject *psdexpr_isub(PyObject *self, PyObject *other) {
  Ref negated(PyNumber_Negative(other));
  if (!negated) return nullptr;
  return psdexpr_iadd(self, negated.get());
}

// The new matrices are made first; they and the scaled linear part are put
// in place only if no Python code (a matrix's product) changed the
// expression meanwhile. A refusal reads as the in-place addition's.
PyObject *psdexpr_imul(PyObject *self, PyObject *other) {
  const int number = is_number(other);
  if (number < 0) return nullptr;
  if (!number) return raise_unsupported("+=", self, other);
  double d;
  if (!float_of(other, &d)) return nullptr;
  Ref factor(PyFloat_FromDouble(d));
  if (!factor) return nullptr;
  PsdExprObject *o = as_psdexpr(self);
  FieldState coeffs(o->coeffs_);
  BlockRef scaled(scaled_block(coeffs.snap(), factor.get(), false));
  if (!scaled) return nullptr;
  Ref lin = lin_of(self);
  if (!coeffs.unchanged(o->coeffs_) || o->lin_ != lin.get()) return raise_changed("*=");
  Ref product(PyNumber_InPlaceMultiply(lin.get(), other));
  if (!product) return nullptr;
  if (!linexpr_check(product.get())) {
    PyErr_SetString(PyExc_SystemError, "the linear part's product is no LinExpr");
    return nullptr;
  }
  if (list_field_adopt(&o->coeffs_, scaled.release()) < 0) return nullptr;
  Py_SETREF(o->lin_, product.release());
  return new_ref(self);
}

const ClassDef PsdExpr_class = {&PsdExpr_Type, "PsdExpr", psdexpr_prepare, psdexpr_bind,
                                init_doc,      true,      &pickle_spec,    nullptr};

}  // namespace dz
