// The getters of Model.cbGet, one per value type, and the table of the
// what-codes they read.
#ifndef DIDAZODA_CALLBACKS_GETTERS_H
#define DIDAZODA_CALLBACKS_GETTERS_H

#include "module/tarvex.h"
#include "runtime/ref.h"

namespace dz {

// A callback code of tarvex.h and its TVX.Callback name, written once so
// that the module's tables cannot drift from the library.
#define CB_CODE(name) TVX_CB_##name, #name

// The private table whats: every what-code cbGet reads, mapped to [name,
// getter, kind, public, description], the getter being the function
// (cbint, cbdbl, cbintat or cbdblat) that reads that code. New reference,
// or nullptr with an exception.
PyObject *make_whats_table();

}  // namespace dz

#endif
