// The module object and the one way its globals are read.
#ifndef DIDAZODA_RUNTIME_GLOBALS_H
#define DIDAZODA_RUNTIME_GLOBALS_H

#include "runtime/ref.h"

namespace dz {

// The module object (borrowed), null until the exec step has recorded it.
// Only one interpreter may load the module, so one pointer serves.
PyObject *module_object();
// Records the module (a reference is kept), or drops the record (nullptr).
void set_module_object(PyObject *module);

// The interned string of a literal (borrowed, kept for good), or NULL with
// an exception.
PyObject *interned(const char *text);

// Module globals as they are now, read at each use so that rebinding one is
// seen at the next. Every lookup of a module global goes through these: they
// return owned references, since Python code run while a borrowed one is
// held could rebind the global and free it. An empty Ref means an exception.

// The module global of that name.
Ref module_global(const char *name);
// getattr(module global, name): global_attr("itertools", "product").
Ref global_attr(const char *global, const char *name);
// _np.<name> and _sp.<name>.
inline Ref np_attr(const char *name) { return global_attr("_np", name); }
inline Ref sp_attr(const char *name) { return global_attr("_sp", name); }
// TVX.<name>: TVX.INFINITY. Library codes are not read here but taken from
// tarvex.h, which the TVX tables are built from.
inline Ref tvx_constant(const char *name) { return global_attr("TVX", name); }

}  // namespace dz

#endif
