#include "module/classes.h"

namespace dz {

PyTypeObject Column_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

struct ColumnObject {
  PyObject_HEAD
};

const char init_doc[] = "\n    Column(coeffs=None, constrs=None)\n\n    Column contains the coefficient information of a variable in existing\n    constraints.\n";

int column_init(PyObject *, PyObject *, PyObject *) {
  not_built("Column()");
  return -1;
}

const PickleSpec pickle_spec = {"Column", nullptr, 0, false, nullptr};

int column_prepare() {
  PyTypeObject *t = &Column_Type;
  t->tp_name = "didazoda.Column";
  t->tp_basicsize = sizeof(ColumnObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_new = PyType_GenericNew;
  t->tp_init = column_init;
  return 0;
}

}  // namespace

const ClassDef Column_class = {&Column_Type, "Column", column_prepare, nullptr, init_doc, true, &pickle_spec, nullptr};

}  // namespace dz
