#include "module/classes.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject MConstr_Type = static_type_object();

namespace {

struct MConstrObject {
  PyObject_HEAD
};

struct MConstrOps {
  OpSlot new_;
  OpSlot mdl_;
};

MConstrOps MConstr_ops;

const PickleSpec pickle_spec = {"MConstr", nullptr, 0, false, nullptr};

int mconstr_prepare() {
  PyTypeObject *t = &MConstr_Type;
  t->tp_name = "didazoda.MConstr";
  t->tp_basicsize = sizeof(MConstrObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_new = PyType_GenericNew;
  MConstr_ops = {op_not_built, op_not_built};
  return 0;
}

}  // namespace

const ClassDef MConstr_class = {&MConstr_Type, "MConstr", mconstr_prepare, nullptr,
                                nullptr,       true,      &pickle_spec,    nullptr};

}  // namespace dz
