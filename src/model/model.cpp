#include "module/classes.h"

namespace dz {

PyTypeObject Model_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

struct ModelObject {
  PyObject_HEAD
};

struct ModelOps {
  OpSlot new_;
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
  Model_ops = {op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built};
  return 0;
}

}  // namespace

const ClassDef Model_class = {&Model_Type, "Model", model_prepare, nullptr, init_doc, true, nullptr, "self.cbdata_,self.mdl_ cannot be converted to a Python object for pickling"};

}  // namespace dz
