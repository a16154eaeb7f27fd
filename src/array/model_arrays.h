// What the building methods hand to the array layer.
#ifndef DIDAZODA_ARRAY_MODEL_ARRAYS_H
#define DIDAZODA_ARRAY_MODEL_ARRAYS_H

#include "model/model.h"

namespace dz {

// Model.addConstr of a TempConstr whose expression is an MVar (taken as
// expr + 0) or an MLinExpr: one row per cell in row-major order, the sides
// shared, added in one library call, and named name + "[i,j]" unless name is
// None or "". Returns the MConstr of the new rows in the array's shape.
PyObject *model_addconstr_array(ModelObject *self, PyObject *expr, PyObject *lhs, PyObject *rhs,
                                PyObject *name);

}  // namespace dz

#endif
