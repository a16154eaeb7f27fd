#include "paramclass.h"

#include "module/classes.h"

namespace dz {

PyTypeObject ParamClass_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

struct ParamClassOps {
  PyObject *(*new_)(TVXenv *env);
  OpSlot getIntParam_;
  OpSlot getDblParam_;
  OpSlot getStrParam_;
};

ParamClassOps ParamClass_ops;

int paramclass_prepare() {
  PyTypeObject *t = &ParamClass_Type;
  t->tp_name = "didazoda.ParamClass";
  t->tp_basicsize = sizeof(ParamClassObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_new = PyType_GenericNew;
  ParamClass_ops = {paramclass_new, op_not_built, op_not_built, op_not_built};
  return 0;
}

}  // namespace

PyObject *paramclass_new(TVXenv *env) {
  PyObject *p = PyObject_CallObject(reinterpret_cast<PyObject *>(&ParamClass_Type), nullptr);
  if (p) reinterpret_cast<ParamClassObject *>(p)->env_ = env;
  return p;
}

const ClassDef ParamClass_class = {&ParamClass_Type, "ParamClass", paramclass_prepare, nullptr,
                                   nullptr, false, nullptr,
                                   "self.env_ cannot be converted to a Python object for pickling"};

}  // namespace dz
