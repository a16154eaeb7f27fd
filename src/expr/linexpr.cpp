#include "module/classes.h"

namespace dz {

PyTypeObject LinExpr_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

struct LinExprObject {
  PyObject_HEAD
};

struct LinExprOps {
  OpSlot addterm_;
  OpSlot addexpr_;
};

LinExprOps LinExpr_ops;

const char init_doc[] = "\n    LinExpr(arg1=0.0, arg2=None)\n\n    A linear expression: a constant plus a list of coefficient and variable terms.\n";

int linexpr_init(PyObject *, PyObject *, PyObject *) {
  not_built("LinExpr()");
  return -1;
}

const PickleSpec pickle_spec = {"LinExpr", nullptr, 0, false, nullptr};

int linexpr_prepare() {
  PyTypeObject *t = &LinExpr_Type;
  t->tp_name = "didazoda.LinExpr";
  t->tp_basicsize = sizeof(LinExprObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_base = Operand_class.type;
  t->tp_new = PyType_GenericNew;
  t->tp_init = linexpr_init;
  LinExpr_ops = {op_not_built, op_not_built};
  return 0;
}

}  // namespace

const ClassDef LinExpr_class = {&LinExpr_Type, "LinExpr", linexpr_prepare, nullptr, init_doc, true, &pickle_spec, nullptr};

}  // namespace dz
