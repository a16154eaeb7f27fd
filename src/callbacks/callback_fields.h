// The callback context that the bridge publishes on a Model while a callback
// runs, as the what-code getters read it.
#ifndef DIDAZODA_CALLBACKS_CALLBACK_FIELDS_H
#define DIDAZODA_CALLBACKS_CALLBACK_FIELDS_H

#include "runtime/ref.h"
#include "module/tarvex.h"

namespace dz {

extern PyTypeObject Model_Type;

struct CallbackContext {
  TVXmodel *model;  // the model's solver handle
  void *cbdata;     // null outside a callback
  int where;
};

// Fills ctx from model, an instance of Model; 0, or -1 with an exception set.
int model_callback_context(PyObject *model, CallbackContext *ctx);

}  // namespace dz

#endif
