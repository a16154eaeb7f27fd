#include "model/handles.h"
#include "module/classes.h"

namespace dz {

PyTypeObject Operand_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

struct OperandObject {
  PyObject_HEAD
};

// Only a Var hashes, by its index; expressions cannot be set members or keys.
Py_hash_t operand_hash(PyObject *self) {
  if (PyObject_TypeCheck(self, &Var_Type)) return handle_hash(self);
  Ref name(PyObject_GetAttrString(reinterpret_cast<PyObject *>(Py_TYPE(self)), "__name__"));
  if (name)
    PyErr_Format(PyExc_TypeError, "unsupported operand type(s) for hash(): `%S`", name.get());
  return -1;
}

const PickleSpec pickle_spec = {"Operand", nullptr, 0, false, nullptr};

int operand_prepare() {
  PyTypeObject *t = &Operand_Type;
  t->tp_name = "didazoda.Operand";
  t->tp_basicsize = sizeof(OperandObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_new = PyType_GenericNew;
  t->tp_hash = operand_hash;
  return 0;
}

}  // namespace

const ClassDef Operand_class = {&Operand_Type, "Operand", operand_prepare, nullptr, nullptr, false, &pickle_spec, nullptr};

}  // namespace dz
