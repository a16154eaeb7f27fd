#include "module/classes.h"

namespace dz {

PyTypeObject Operand_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

struct OperandObject {
  PyObject_HEAD
};

const PickleSpec pickle_spec = {"Operand", nullptr, 0, false, nullptr};

int operand_prepare() {
  PyTypeObject *t = &Operand_Type;
  t->tp_name = "didazoda.Operand";
  t->tp_basicsize = sizeof(OperandObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_new = PyType_GenericNew;
  return 0;
}

}  // namespace

const ClassDef Operand_class = {&Operand_Type, "Operand", operand_prepare, nullptr, nullptr, false, &pickle_spec, nullptr};

}  // namespace dz
