// The parameter object behind Model.Params: one environment handle.
#ifndef DIDAZODA_PARAMCLASS_H
#define DIDAZODA_PARAMCLASS_H

#include "module/ref.h"
#include "module/tarvex.h"

namespace dz {

struct ParamClassObject {
  PyObject_HEAD
  TVXenv *env_;
};

extern PyTypeObject ParamClass_Type;

// A new parameter object on the environment handle (the table entry `new`).
PyObject *paramclass_new(TVXenv *env);

}  // namespace dz

#endif
