// The C callback that Model.optimize and Model.computeIIS register with the
// library when they are given a Python callback, and how they learn that the
// callback raised.
#ifndef DIDAZODA_CALLBACKS_BRIDGE_H
#define DIDAZODA_CALLBACKS_BRIDGE_H

#include "runtime/ref.h"
#include "module/tarvex.h"

namespace dz {

// Registered through TVXsetcallbackfunc with the Model object as usrdata
// (borrowed: the solve's caller keeps the Model alive). Runs on whatever
// thread the library uses, without the interpreter lock on entry. A non-zero
// result asks the library to stop.
int bridge_callback(TVXmodel *model, void *cbdata, int where, void *usrdata);

// Called with the interpreter lock held once a solve that had a callback has
// returned: true when the callback raised during it, the exception then
// pending on the calling thread.
bool bridge_callback_raised(PyObject *model);

}  // namespace dz

#endif
