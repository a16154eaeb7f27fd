#include "module/classes.h"
#include "runtime/guard.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject PsdExpr_Type = static_type_object();

namespace {

struct PsdExprObject {
  PyObject_HEAD
};

struct PsdExprOps {
  OpSlot addterm_;
  OpSlot addexpr_;
  OpSlot restore_symmat_;
};

PsdExprOps PsdExpr_ops;

const char init_doc[] =
    "\n    PsdExpr(arg1=0.0, arg2=None)\n\n    A semidefinite expression: a linear expression plus "
    "a list of coefficient\n    matrix and PsdVar terms.\n";

int psdexpr_init(PyObject *, PyObject *, PyObject *) {
  not_built("PsdExpr()");
  return -1;
}

const PickleSpec pickle_spec = {"PsdExpr", nullptr, 0, false, nullptr};

int psdexpr_prepare() {
  PyTypeObject *t = &PsdExpr_Type;
  t->tp_name = "didazoda.PsdExpr";
  t->tp_basicsize = sizeof(PsdExprObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_new = PyType_GenericNew;
  t->tp_init = DZ_SLOT(psdexpr_init);
  PsdExpr_ops = {op_not_built, op_not_built, op_not_built};
  return 0;
}

}  // namespace

const ClassDef PsdExpr_class = {&PsdExpr_Type, "PsdExpr", psdexpr_prepare, nullptr,
                                init_doc,      true,      &pickle_spec,    nullptr};

}  // namespace dz
