// Operand: the field-less base class whose slots give Var, the expressions
// and the array classes their operators. The slots only sort out which
// operand is the Operand; dispatch.cpp does the work.
#include "expr/dispatch.h"
#include "model/handles.h"
#include "module/classes.h"
#include "runtime/guard.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject Operand_Type = static_type_object();

namespace {

struct OperandObject {
  PyObject_HEAD
};

bool is_operand(PyObject *o) { return PyObject_TypeCheck(o, &Operand_Type); }

PyObject *s_radd, *s_rsub, *s_rmul, *s_rmatmul;

// other.<name>(self), the reflected method of the Operand on the right,
// looked up on the object; a built-in class runs its own method directly.
PyObject *reflected(PyObject *operand, PyObject *other, PyObject *(*own)(PyObject *, PyObject *),
                    PyObject *&slot, const char *name) {
  if (!(Py_TYPE(operand)->tp_flags & Py_TPFLAGS_HEAPTYPE)) return own(operand, other);
  if (!slot && !(slot = PyUnicode_InternFromString(name))) return nullptr;
  return PyObject_CallMethodObjArgs(operand, slot, other, nullptr);
}

// ---- Reflected methods ----------------------------------------------------------------

PyObject *operand_radd(PyObject *self, PyObject *other) { return call_add(self, other); }

// Not guarded like a - b: its failures carry the addition message.
PyObject *operand_rsub(PyObject *self, PyObject *other) {
  Ref negated(PyNumber_Negative(self));
  if (!negated) return nullptr;
  return call_add(negated.get(), other);
}

PyObject *operand_rmul(PyObject *self, PyObject *other) { return call_mul(self, other); }

PyObject *operand_rmatmul_method(PyObject *self, PyObject *other) {
  return operand_rmatmul(self, other);
}

// ---- Number slots ---------------------------------------------------------------------

// The interpreter calls a slot with the operands in source order, and calls
// Operand's only when one of them is an Operand.
PyObject *operand_nb_add(PyObject *l, PyObject *r) {
  if (is_operand(l)) return operand_add(l, r);
  if (!is_operand(r)) Py_RETURN_NOTIMPLEMENTED;
  return reflected(r, l, operand_radd, s_radd, "__radd__");
}

PyObject *operand_nb_subtract(PyObject *l, PyObject *r) {
  if (is_operand(l)) return operand_sub(l, r);
  if (!is_operand(r)) Py_RETURN_NOTIMPLEMENTED;
  return reflected(r, l, operand_rsub, s_rsub, "__rsub__");
}

PyObject *operand_nb_multiply(PyObject *l, PyObject *r) {
  if (is_operand(l)) return operand_mul(l, r);
  if (!is_operand(r)) Py_RETURN_NOTIMPLEMENTED;
  return reflected(r, l, operand_rmul, s_rmul, "__rmul__");
}

PyObject *operand_nb_matmul(PyObject *l, PyObject *r) {
  if (is_operand(l)) return operand_matmul(l, r);
  if (!is_operand(r)) Py_RETURN_NOTIMPLEMENTED;
  return reflected(r, l, operand_rmatmul_method, s_rmatmul, "__rmatmul__");
}

// Division and power have no reflected form.
PyObject *operand_nb_true_divide(PyObject *l, PyObject *r) {
  if (!is_operand(l)) Py_RETURN_NOTIMPLEMENTED;
  return operand_truediv(l, r);
}

// A modulus is accepted and ignored.
PyObject *operand_nb_power(PyObject *l, PyObject *r, PyObject *) {
  if (!is_operand(l)) Py_RETURN_NOTIMPLEMENTED;
  return operand_pow(l, r);
}

PyObject *operand_nb_negative(PyObject *self) { return operand_neg(self); }

// ---- Comparison and hash ----------------------------------------------------------------

// self is always the Operand: the interpreter swaps the operands of a
// reflected comparison (5 <= x arrives as x >= 5).
PyObject *operand_richcompare(PyObject *self, PyObject *other, int op) {
  switch (op) {
    case Py_LE:
      return operand_le(self, other);
    case Py_GE:
      return operand_ge(self, other);
    case Py_EQ:
      return operand_eq(self, other);
    case Py_NE:
      return operand_ne(self, other);
    default:
      Py_RETURN_NOTIMPLEMENTED;
  }
}

// Only a Var hashes, by its index; expressions cannot be set members or keys.
Py_hash_t operand_hash(PyObject *self) {
  if (PyObject_TypeCheck(self, &Var_Type)) return handle_hash(self);
  Ref name(PyObject_GetAttrString(reinterpret_cast<PyObject *>(Py_TYPE(self)), "__name__"));
  if (name)
    PyErr_Format(PyExc_TypeError, "unsupported operand type(s) for hash(): `%S`", name.get());
  return -1;
}

// ---- Class set-up -----------------------------------------------------------------------

// METH_COEXIST: the methods replace the slot wrappers the interpreter would
// put under these names.
PyMethodDef operand_methods[] = {
    {"__radd__", DZ_SLOT(operand_radd), METH_O | METH_COEXIST, nullptr},
    {"__rsub__", DZ_SLOT(operand_rsub), METH_O | METH_COEXIST, nullptr},
    {"__rmul__", DZ_SLOT(operand_rmul), METH_O | METH_COEXIST, nullptr},
    {"__rmatmul__", DZ_SLOT(operand_rmatmul_method), METH_O | METH_COEXIST, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyNumberMethods operand_as_number = {};

const PickleSpec pickle_spec = {"Operand", nullptr, 0, false, nullptr};

int operand_prepare() {
  PyTypeObject *t = &Operand_Type;
  t->tp_name = "didazoda.Operand";
  t->tp_basicsize = sizeof(OperandObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_new = PyType_GenericNew;
  t->tp_hash = DZ_SLOT(operand_hash);
  t->tp_richcompare = DZ_SLOT(operand_richcompare);
  t->tp_methods = operand_methods;
  operand_as_number.nb_add = DZ_SLOT(operand_nb_add);
  operand_as_number.nb_subtract = DZ_SLOT(operand_nb_subtract);
  operand_as_number.nb_multiply = DZ_SLOT(operand_nb_multiply);
  operand_as_number.nb_true_divide = DZ_SLOT(operand_nb_true_divide);
  operand_as_number.nb_power = DZ_SLOT(operand_nb_power);
  operand_as_number.nb_negative = DZ_SLOT(operand_nb_negative);
  operand_as_number.nb_matrix_multiply = DZ_SLOT(operand_nb_matmul);
  t->tp_as_number = &operand_as_number;
  return 0;
}

// Inherited by Var and the expression classes (an int, not a float).
int operand_bind(PyObject *dict) {
  Ref priority(PyLong_FromLong(1000));
  return priority ? PyDict_SetItemString(dict, "__array_priority__", priority.get()) : -1;
}

}  // namespace

const ClassDef Operand_class = {&Operand_Type, "Operand",    operand_prepare, operand_bind, nullptr,
                                false,         &pickle_spec, nullptr,         true};

}  // namespace dz
