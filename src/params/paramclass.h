// The parameter object behind Model.Params: one environment handle, whose
// parameters it reads and writes by attribute name.
#ifndef DIDAZODA_PARAMS_PARAMCLASS_H
#define DIDAZODA_PARAMS_PARAMCLASS_H

#include "runtime/ref.h"
#include "module/tarvex.h"

namespace dz {

// Holds no Python references, so it takes no part in cycle collection.
struct ParamClassObject {
  PyObject_HEAD TVXenv *env_;  // the creating model's environment, NULL for ParamClass()
};

extern PyTypeObject ParamClass_Type;

// Internal operations. The getters take a canonical parameter name and
// return a new reference, or NULL with an exception.
struct ParamClassOps {
  PyObject *(*new_)(TVXenv *env);
  PyObject *(*getIntParam)(PyObject *self, PyObject *name);
  PyObject *(*getDblParam)(PyObject *self, PyObject *name);
  PyObject *(*getStrParam)(PyObject *self, PyObject *name);
};
extern ParamClassOps ParamClass_ops;

// A new parameter object on the environment handle (the table entry `new`).
PyObject *paramclass_new(TVXenv *env);

}  // namespace dz

#endif
