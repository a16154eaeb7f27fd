#include "module/classes.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject MVar_Type = static_type_object();

namespace {

struct MVarObject {
  PyObject_HEAD
};

struct MVarOps {
  OpSlot new_;
  OpSlot mdl_;
};

MVarOps MVar_ops;

const PickleSpec pickle_spec = {"MVar", nullptr, 0, false, nullptr};

int mvar_prepare() {
  PyTypeObject *t = &MVar_Type;
  t->tp_name = "didazoda.MVar";
  t->tp_basicsize = sizeof(MVarObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_base = Operand_class.type;
  t->tp_new = PyType_GenericNew;
  MVar_ops = {op_not_built, op_not_built};
  return 0;
}

}  // namespace

const ClassDef MVar_class = {&MVar_Type, "MVar", mvar_prepare, nullptr,
                             nullptr,    true,   &pickle_spec, nullptr};

}  // namespace dz
