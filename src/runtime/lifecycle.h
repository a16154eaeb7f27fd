// Finalisation and deallocation of classes that own a library handle and
// free it through their dispose() method.
#ifndef DIDAZODA_RUNTIME_LIFECYCLE_H
#define DIDAZODA_RUNTIME_LIFECYCLE_H

#include "runtime/ref.h"

namespace dz {

// Calls self.dispose() through attribute lookup, so a subclass's override
// runs; its errors go to the unraisable hook under the given context. A
// pending exception is kept.
void call_dispose(PyObject *self, const char *context);

// The last dispose() of deallocation, on the object revived for the call.
// Returns false when the call kept the object alive: deallocation stops and
// *revived is set, so that the next deallocation frees without calling it
// again (a dispose() that raises and keeps its traceback would otherwise
// revive the object for ever).
bool dispose_in_dealloc(PyObject *self, const char *context, bool *revived);

}  // namespace dz

#endif
