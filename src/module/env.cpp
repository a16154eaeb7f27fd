#include "module/classes.h"

namespace dz {

PyTypeObject Env_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

struct EnvObject {
  PyObject_HEAD
};

const char init_doc[] = "\n    Env(logfilename='', empty=False, params=None)\n\n    The runtime environment of a model.\n";

int env_init(PyObject *, PyObject *, PyObject *) {
  not_built("Env()");
  return -1;
}

int env_prepare() {
  PyTypeObject *t = &Env_Type;
  t->tp_name = "didazoda.Env";
  t->tp_basicsize = sizeof(EnvObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_new = PyType_GenericNew;
  t->tp_init = env_init;
  return 0;
}

}  // namespace

const ClassDef Env_class = {&Env_Type, "Env", env_prepare, nullptr, init_doc, true, nullptr, "self.env_ cannot be converted to a Python object for pickling"};

}  // namespace dz
