// The callback context that the bridge publishes on a Model while a
// callback runs, and the rule every in-callback method starts with.
#ifndef DIDAZODA_CALLBACKS_CALLBACK_FIELDS_H
#define DIDAZODA_CALLBACKS_CALLBACK_FIELDS_H

#include "module/tarvex.h"
#include "runtime/ref.h"

namespace dz {

extern PyTypeObject Model_Type;

struct CallbackContext {
  TVXmodel *model;  // the model's solver handle
  void *cbdata;     // null outside a callback
  int where;
};

// Fills ctx from model, an instance of Model; 0, or -1 with an exception set.
int model_callback_context(PyObject *model, CallbackContext *ctx);

// The in-callback rule: fills ctx and returns true while a callback of
// model (a Model) runs; otherwise RuntimeError "method can only be called
// in callback function" and false.
bool in_callback(PyObject *model, CallbackContext *ctx);

// The rule every call that changes a model starts with, whatever reaches it
// (a Model method, an element handle, an array): while a callback of mdl's
// solve runs, RuntimeError saying to use the callback methods, and false;
// the model must stay the problem the solve is working on. true otherwise,
// also for a null mdl.
bool edit_allowed(const TVXmodel *mdl);

// TarvexError(TVX.Error.CB_INVALID_WHAT), the code read now. nullptr.
PyObject *raise_invalid_what();

}  // namespace dz

#endif
