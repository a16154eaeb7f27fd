#include "module/classes.h"

namespace dz {

PyTypeObject List_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

struct ListObject {
  PyObject_HEAD
};

struct ListOps {
  OpSlot copy_;
  OpSlot do_copy_;
  OpSlot add_;
  OpSlot map_;
  OpSlot imul_;
  OpSlot remove_;
  OpSlot clear_;
  OpSlot size_;
};

ListOps List_ops;

int list_prepare() {
  PyTypeObject *t = &List_Type;
  t->tp_name = "didazoda.List";
  t->tp_basicsize = sizeof(ListObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_new = PyType_GenericNew;
  List_ops = {op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built};
  return 0;
}

}  // namespace

const ClassDef List_class = {&List_Type, "List", list_prepare, nullptr, nullptr, false, nullptr, "self.list_ cannot be converted to a Python object for pickling"};

}  // namespace dz
