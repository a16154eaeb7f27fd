#include "module/classes.h"

namespace dz {

PyTypeObject Model_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

struct ModelObject {
  PyObject_HEAD
};

struct ModelOps {
  OpSlot new__;
  OpSlot env_;
  OpSlot addVars_;
  OpSlot linExprs2array_;
  OpSlot dec_bound_;
  OpSlot psdExpr2array_;
  OpSlot addConstr_;
  OpSlot addPsdConstr_;
  OpSlot addConstrs_;
  OpSlot getids_;
  OpSlot remove_;
  OpSlot getAttrType_;
  OpSlot populate_;
};

PyObject *op_new(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("Model.new"); }
PyObject *op_env(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("Model.env"); }
PyObject *op_addVars(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("Model._addVars"); }
PyObject *op_linExprs2array(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("Model._linExprs2array"); }
PyObject *op_dec_bound(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("Model._dec_bound"); }
PyObject *op_psdExpr2array(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("Model._psdExpr2array"); }
PyObject *op_addConstr(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("Model._addConstr"); }
PyObject *op_addPsdConstr(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("Model._addPsdConstr"); }
PyObject *op_addConstrs(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("Model._addConstrs"); }
PyObject *op_getids(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("Model.getids"); }
PyObject *op_remove(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("Model._remove"); }
PyObject *op_getAttrType(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("Model._getAttrType"); }
PyObject *op_populate(PyObject *, PyObject *const *, Py_ssize_t) { return not_built("Model._populate"); }

ModelOps Model_ops;

const char init_doc[] = "\n    Model(name='', env=None, empty=False)\n\n    An optimisation model.\n";

int model_init(PyObject *, PyObject *, PyObject *) {
  not_built("Model()");
  return -1;
}

int model_prepare() {
  PyTypeObject *t = &Model_Type;
  t->tp_name = "didazoda.Model";
  t->tp_basicsize = sizeof(ModelObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_new = PyType_GenericNew;
  t->tp_init = model_init;
  Model_ops = {op_new, op_env, op_addVars, op_linExprs2array, op_dec_bound, op_psdExpr2array, op_addConstr, op_addPsdConstr, op_addConstrs, op_getids, op_remove, op_getAttrType, op_populate};
  return 0;
}

}  // namespace

const ClassDef Model_class = {&Model_Type, "Model", model_prepare, nullptr, init_doc, true, nullptr, "self.cbdata_,self.mdl_ cannot be converted to a Python object for pickling"};

}  // namespace dz
