// The operators of PsdExpr: two-operand +, -, * with a PsdExpr on either
// side (each on a copy, so neither operand changes), unary minus, and the
// comparisons that make the TempConstr of a semidefinite row.
#include "expr/expr_util.h"
#include "expr/list.h"
#include "expr/tempconstr.h"
#include "psd/psdexpr.h"
#include "runtime/guard.h"

namespace dz {

namespace {

// op(copy of e, o) for one of the in-place operators; a new PsdExpr.
PyObject *on_copy(PyObject *e, PyObject *o, PyObject *(*op)(PyObject *, PyObject *)) {
  Ref copy(psdexpr_copy(e));
  if (!copy) return nullptr;
  Ref result(op(copy.get(), o));
  if (!result) return nullptr;
  return copy.release();
}

// o - e: (e * -1) + o, the int -1 making floating-point matrices.
PyObject *reflected_subtract(PyObject *e, PyObject *o) {
  Ref minus_one(PyLong_FromLong(-1));
  if (!minus_one) return nullptr;
  Ref negated(on_copy(e, minus_one.get(), psdexpr_imul));
  if (!negated) return nullptr;
  Ref result(psdexpr_iadd(negated.get(), o));
  if (!result) return nullptr;
  return negated.release();
}

PyObject *psdexpr_nb_add(PyObject *a, PyObject *b) {
  if (psdexpr_check(a)) return on_copy(a, b, psdexpr_iadd);
  if (psdexpr_check(b)) return on_copy(b, a, psdexpr_iadd);
  Py_RETURN_NOTIMPLEMENTED;
}

PyObject *psdexpr_nb_subtract(PyObject *a, PyObject *b) {
  if (psdexpr_check(a)) return on_copy(a, b, psdexpr_isub);
  if (psdexpr_check(b)) return reflected_subtract(b, a);
  Py_RETURN_NOTIMPLEMENTED;
}

PyObject *psdexpr_nb_multiply(PyObject *a, PyObject *b) {
  if (psdexpr_check(a)) return on_copy(a, b, psdexpr_imul);
  if (psdexpr_check(b)) return on_copy(b, a, psdexpr_imul);
  Py_RETURN_NOTIMPLEMENTED;
}

// -M for each matrix (keeping its element type) and -lin_.
PyObject *psdexpr_nb_negative(PyObject *e) {
  Ref copy(psdexpr_copy(e));
  if (!copy) return nullptr;
  PsdExprObject *o = as_psdexpr(copy.get());
  ListSnap coeffs(o->coeffs_);
  BlockRef negated(List_NewBlock());
  if (!negated) return nullptr;
  for (int i = 0; i < coeffs.size(); i++) {
    Ref m(PyNumber_Negative(coeffs.at(i)));
    if (!m || List_Append(negated.get(), m.get()) < 0) return nullptr;
  }
  Ref lin(PyNumber_Negative(o->lin_));
  if (!lin) return nullptr;
  if (!linexpr_check(lin.get())) {
    PyErr_SetString(PyExc_SystemError, "the linear part's negation is no LinExpr");
    return nullptr;
  }
  if (list_field_adopt(&o->coeffs_, negated.release()) < 0) return nullptr;
  Py_SETREF(o->lin_, lin.release());
  return copy.release();
}

// e == o: e - o == 0 for a scalar o, the range o[0] <= e <= o[1] (e itself)
// for a pair.
PyObject *psdexpr_eq(PyObject *e, PyObject *o) {
  const int scalar = is_scalar(o);
  if (scalar < 0) return nullptr;
  if (scalar) {
    Ref difference(on_copy(e, o, psdexpr_isub));
    if (!difference) return nullptr;
    Ref zero(PyLong_FromLong(0));
    if (!zero) return nullptr;
    return tempconstr_new(difference.get(), zero.get(), zero.get());
  }
  const Py_ssize_t n = PyObject_Size(o);
  if (n < 0) return nullptr;
  if (n != 2) {
    PyErr_SetString(PyExc_ValueError, "`=` expect an array with 2 elements: [ LHS, RHS ]");
    return nullptr;
  }
  Ref first(PyLong_FromLong(0)), second(PyLong_FromLong(1));
  if (!first || !second) return nullptr;
  Ref lower(PyObject_GetItem(o, first.get()));
  if (!lower) return nullptr;
  Ref upper(PyObject_GetItem(o, second.get()));
  if (!upper) return nullptr;
  return tempconstr_new(e, lower.get(), upper.get());
}

// The interpreter swaps the operands of a reflected comparison, so self is
// always the PsdExpr (5 <= e arrives as e >= 5).
PyObject *psdexpr_richcompare(PyObject *self, PyObject *other, int op) {
  switch (op) {
    case Py_LE:
      return tempconstr_new(self, Py_None, other);
    case Py_GE:
      return tempconstr_new(self, other, Py_None);
    case Py_EQ:
      return psdexpr_eq(self, other);
    case Py_NE: {
      Ref eq(psdexpr_eq(self, other));
      if (!eq) return nullptr;
      const int truth = PyObject_IsTrue(eq.get());
      if (truth < 0) return nullptr;
      return PyBool_FromLong(!truth);
    }
    default:
      Py_RETURN_NOTIMPLEMENTED;
  }
}

// By name, e.__radd__(o) is e + o whatever o is.
PyObject *psdexpr_radd(PyObject *self, PyObject *o) { return on_copy(self, o, psdexpr_iadd); }
PyObject *psdexpr_rsub(PyObject *self, PyObject *o) { return reflected_subtract(self, o); }
PyObject *psdexpr_rmul(PyObject *self, PyObject *o) { return on_copy(self, o, psdexpr_imul); }

PyNumberMethods psdexpr_as_number = {};

}  // namespace

// METH_COEXIST: the methods replace the slot wrappers the interpreter would
// put under these names, which would hand a PsdExpr operand the forward role.
PyMethodDef psdexpr_reflected_methods[] = {
    {"__radd__", DZ_SLOT(psdexpr_radd), METH_O | METH_COEXIST, "Return value+self."},
    {"__rsub__", DZ_SLOT(psdexpr_rsub), METH_O | METH_COEXIST, "Return value-self."},
    {"__rmul__", DZ_SLOT(psdexpr_rmul), METH_O | METH_COEXIST, "Return value*self."},
    {nullptr, nullptr, 0, nullptr},
};

void psdexpr_set_operators(PyTypeObject *type) {
  psdexpr_as_number.nb_add = DZ_SLOT(psdexpr_nb_add);
  psdexpr_as_number.nb_subtract = DZ_SLOT(psdexpr_nb_subtract);
  psdexpr_as_number.nb_multiply = DZ_SLOT(psdexpr_nb_multiply);
  psdexpr_as_number.nb_negative = DZ_SLOT(psdexpr_nb_negative);
  psdexpr_as_number.nb_inplace_add = DZ_SLOT(psdexpr_iadd);
  psdexpr_as_number.nb_inplace_subtract = DZ_SLOT(psdexpr_isub);
  psdexpr_as_number.nb_inplace_multiply = DZ_SLOT(psdexpr_imul);
  type->tp_as_number = &psdexpr_as_number;
  type->tp_richcompare = DZ_SLOT(psdexpr_richcompare);
  type->tp_hash = PyObject_HashNotImplemented;
}

}  // namespace dz
