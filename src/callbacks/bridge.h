// The C callback that Model.optimize and Model.computeIIS register with the
// library when they are given a Python callback, and Model.terminate.
#ifndef DIDAZODA_CALLBACKS_BRIDGE_H
#define DIDAZODA_CALLBACKS_BRIDGE_H

#include "module/tarvex.h"
#include "runtime/function.h"
#include "runtime/ref.h"

namespace dz {

// Registered through TVXsetcallbackfunc with the Model object as usrdata
// (borrowed: the solve's caller keeps the Model alive). Runs on whatever
// thread the library uses, without the interpreter lock on entry. Returns
// 0; TVX.Error.ABORT_CTRL_C after terminate(); -1 with the exception that
// escaped left pending on the calling thread. The callback context is
// withdrawn on every way out.
int bridge_callback(TVXmodel *model, void *cbdata, int where, void *usrdata);

// Whether this thread is running a callback's Python function: a solve it
// starts would wait for the search that called it. Needs the interpreter lock.
bool callback_running_here();

// Whether a callback of mdl's solve is running, on any thread. Needs the
// interpreter lock.
bool callback_running_on(const TVXmodel *mdl);

}  // namespace dz

#endif
