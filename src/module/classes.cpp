// The class table and the stand-in for operations not built yet.
#include "module/classes.h"

namespace dz {

const ClassDef *const class_table[kNumClasses] = {
    &TarvexError_class, &Operand_class,    &tuplelist_class, &tupledict_class,  &Var_class,
    &MVar_class,        &PsdVar_class,     &Constr_class,    &MConstr_class,    &SOS_class,
    &GenConstr_class,   &PsdConstr_class,  &List_class,      &LinExpr_class,    &QuadExpr_class,
    &MLinExpr_class,    &MQuadExpr_class,  &PsdExpr_class,   &TempConstr_class, &Column_class,
    &Env_class,         &ParamClass_class, &Model_class,
};

PyObject *not_built(const char *what) {
  PyErr_Format(PyExc_NotImplementedError, "%s is not available in this build", what);
  return nullptr;
}

PyObject *op_not_built(PyObject *, PyObject *const *, Py_ssize_t) {
  return not_built("internal operation");
}

}  // namespace dz
