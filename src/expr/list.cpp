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

PyObject *op_copy(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("List.copy"); }
PyObject *op_do_copy(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("List._do_copy"); }
PyObject *op_add(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("List.add"); }
PyObject *op_map(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("List.map"); }
PyObject *op_imul(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("List.imul"); }
PyObject *op_remove(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("List.remove"); }
PyObject *op_clear(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("List.clear"); }
PyObject *op_size(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("List.size"); }

ListOps List_ops;

int list_prepare() {
  PyTypeObject *t = &List_Type;
  t->tp_name = "didazoda.List";
  t->tp_basicsize = sizeof(ListObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_new = PyType_GenericNew;
  List_ops = {op_copy, op_do_copy, op_add, op_map, op_imul, op_remove, op_clear, op_size};
  return 0;
}

}  // namespace

const ClassDef List_class = {&List_Type, "List", list_prepare, nullptr, nullptr, false, nullptr, "self.list_ cannot be converted to a Python object for pickling"};

}  // namespace dz
