// The class table and the stand-in for table entries that have no body.
#include "module/classes.h"

namespace dz {

const ClassDef *const class_table[kNumClasses] = {
    &TarvexError_class, &Operand_class,    &tuplelist_class, &tupledict_class,  &Var_class,
    &MVar_class,        &PsdVar_class,     &Constr_class,    &MConstr_class,    &SOS_class,
    &GenConstr_class,   &PsdConstr_class,  &List_class,      &LinExpr_class,    &QuadExpr_class,
    &MLinExpr_class,    &MQuadExpr_class,  &PsdExpr_class,   &TempConstr_class, &Column_class,
    &Env_class,         &ParamClass_class, &Model_class,
};

PyObject *op_without_body(PyObject *, PyObject *const *, Py_ssize_t) {
  PyErr_SetString(PyExc_NotImplementedError, "internal operation is not available in this build");
  return nullptr;
}

}  // namespace dz
