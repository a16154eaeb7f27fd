// Per-class metaclasses whose dir() lists only the class's own documented
// members.
#ifndef DIDAZODA_RUNTIME_METACLASS_H
#define DIDAZODA_RUNTIME_METACLASS_H

#include "runtime/ref.h"

namespace dz {

// The names dir(cls) shows, in the order of the class dictionary.
PyObject *get_documented_fields(PyObject *cls);

// Binds __getmetaclass__ (no docstring) into the dictionary of cls.
int bind_getmetaclass(PyObject *dict, PyTypeObject *cls);

// PyType_Ready, then the class's own metaclass when it has __getmetaclass__.
int Tarvex_PyType_Ready(PyTypeObject *type);

}  // namespace dz

#endif
