#include "module/classes.h"

namespace dz {

PyTypeObject QuadExpr_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

struct QuadExprObject {
  PyObject_HEAD
};

struct QuadExprOps {
  OpSlot addterm_;
  OpSlot addexpr_;
};

QuadExprOps QuadExpr_ops;

const char init_doc[] = "\n    QuadExpr(expr=None)\n\n    A quadratic expression: a linear expression plus a list of coefficient and\n    variable pair terms.\n";

int quadexpr_init(PyObject *, PyObject *, PyObject *) {
  not_built("QuadExpr()");
  return -1;
}

const PickleSpec pickle_spec = {"QuadExpr", nullptr, 0, false, nullptr};

int quadexpr_prepare() {
  PyTypeObject *t = &QuadExpr_Type;
  t->tp_name = "didazoda.QuadExpr";
  t->tp_basicsize = sizeof(QuadExprObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_base = Operand_class.type;
  t->tp_new = PyType_GenericNew;
  t->tp_init = quadexpr_init;
  QuadExpr_ops = {op_not_built, op_not_built};
  return 0;
}

}  // namespace

const ClassDef QuadExpr_class = {&QuadExpr_Type, "QuadExpr", quadexpr_prepare, nullptr, init_doc, true, &pickle_spec, nullptr};

}  // namespace dz
