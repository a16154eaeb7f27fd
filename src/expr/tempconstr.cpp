#include "module/classes.h"

namespace dz {

PyTypeObject TempConstr_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

struct TempConstrObject {
  PyObject_HEAD
};

struct TempConstrOps {
  OpSlot getExpr_;
  OpSlot getLhs_;
  OpSlot getRhs_;
  OpSlot parseIndicator_;
};

TempConstrOps TempConstr_ops;

const PickleSpec pickle_spec = {"TempConstr", nullptr, 0, false, nullptr};

int tempconstr_prepare() {
  PyTypeObject *t = &TempConstr_Type;
  t->tp_name = "didazoda.TempConstr";
  t->tp_basicsize = sizeof(TempConstrObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_new = PyType_GenericNew;
  TempConstr_ops = {op_not_built, op_not_built, op_not_built, op_not_built};
  return 0;
}

}  // namespace

const ClassDef TempConstr_class = {&TempConstr_Type, "TempConstr", tempconstr_prepare, nullptr, nullptr, true, &pickle_spec, nullptr};

}  // namespace dz
