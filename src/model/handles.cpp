// The element handles: a solver model handle and an index, one class per
// element kind, all made from one template.
#include "module/classes.h"
#include "module/tarvex.h"

namespace dz {

PyTypeObject Var_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyTypeObject PsdVar_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyTypeObject Constr_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyTypeObject SOS_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyTypeObject GenConstr_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyTypeObject PsdConstr_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

struct HandleObject {
  PyObject_HEAD
  TVXmodel *mdl_;
  int index_;
};

struct HandleOps {
  OpSlot new_;
};

HandleOps handle_ops;

const char var_doc[] =
    "\n    Variable in the model. The index of a variable increases from 0. Each time a\n"
    "    variable is added to the model, the index is increased by 1.\n\n";
const char constr_doc[] =
    "\n    Represents a constraint in the model. The index of the constraint increases from\n"
    "    0. Each time a constraint is added to the model, the index is increased by 1.\n"
    "    Constraints are usually expressed as an expression.\n\n";
const char sos_doc[] = "\n    Represent a Special Ordered Set (SOS) constraint.\n\n";
const char genconstr_doc[] = "\n    Represent a general constraint.\n\n";
const char psdvar_doc[] =
    "\n    Represents a positive semi-definite variable.\n"
    "    PsdVar is a square matrix of plain variables. It implies a constraint, that is,\n"
    "    its solution must be a positive semi-definite matrix.\n"
    "    A PsdVar can be multiplied by the matrix to obtain a PsdExpr.\n"
    "    For example:\n"
    "    x = model.addPsdVar(dim = 2, name = \"x\")\n"
    "    expr = x * numpy.identity(x.dim)\n\n";
const char psdconstr_doc[] =
    "\n    Represents a constraint of a semi-definite programming in the model. The index of\n"
    "    the constraint increases from 0. If you add a PsdConstr to the model at a time,\n"
    "    the index increases.\n"
    "    A PsdConstr is often expressed as a PsdExpr.\n\n";

int prepare(PyTypeObject *t, const char *name, const char *doc, PyTypeObject *base) {
  t->tp_name = name;
  t->tp_basicsize = sizeof(HandleObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_doc = doc;
  t->tp_base = base;
  t->tp_new = PyType_GenericNew;
  handle_ops = {op_not_built};
  return 0;
}

int var_prepare() { return prepare(&Var_Type, "didazoda.Var", var_doc, Operand_class.type); }
int psdvar_prepare() { return prepare(&PsdVar_Type, "didazoda.PsdVar", psdvar_doc, nullptr); }
int constr_prepare() { return prepare(&Constr_Type, "didazoda.Constr", constr_doc, nullptr); }
int sos_prepare() { return prepare(&SOS_Type, "didazoda.SOS", sos_doc, nullptr); }
int genconstr_prepare() {
  return prepare(&GenConstr_Type, "didazoda.GenConstr", genconstr_doc, nullptr);
}
int psdconstr_prepare() {
  return prepare(&PsdConstr_Type, "didazoda.PsdConstr", psdconstr_doc, nullptr);
}

const char refusal[] = "self.mdl_ cannot be converted to a Python object for pickling";

}  // namespace

const ClassDef Var_class = {&Var_Type, "Var", var_prepare, nullptr, nullptr, true, nullptr, refusal};
const ClassDef PsdVar_class = {&PsdVar_Type, "PsdVar", psdvar_prepare, nullptr, nullptr, true, nullptr, refusal};
const ClassDef Constr_class = {&Constr_Type, "Constr", constr_prepare, nullptr, nullptr, true, nullptr, refusal};
const ClassDef SOS_class = {&SOS_Type, "SOS", sos_prepare, nullptr, nullptr, true, nullptr, refusal};
const ClassDef GenConstr_class = {&GenConstr_Type, "GenConstr", genconstr_prepare, nullptr, nullptr, true, nullptr, refusal};
const ClassDef PsdConstr_class = {&PsdConstr_Type, "PsdConstr", psdconstr_prepare, nullptr, nullptr, true, nullptr, refusal};

}  // namespace dz
