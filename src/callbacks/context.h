// The callback context that the bridge publishes on a Model while a
// callback runs, the rule every in-callback method starts with, and the rule
// that keeps a model unchanged while its solve calls back.
#ifndef DIDAZODA_CALLBACKS_CONTEXT_H
#define DIDAZODA_CALLBACKS_CONTEXT_H

#include "module/tarvex.h"
#include "runtime/ref.h"

namespace dz {

extern PyTypeObject Model_Type;

// The context of the callback running on a Model, as the bridge published
// it (not the library's own callback context).
struct RunningCallback {
  TVXmodel *model;  // the model's solver handle
  void *cbdata;     // null outside a callback
  int where;
};

// The in-callback rule: fills ctx and returns true while a callback of
// model (a Model) runs; otherwise RuntimeError "method can only be called
// in callback function" and false.
bool in_callback(PyObject *model, RunningCallback *ctx);

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
