// The attribute engine: every read and write of a solver attribute, for the
// model itself and for lists of element handles, ends here.
#ifndef DIDAZODA_ATTRS_H
#define DIDAZODA_ATTRS_H

#include "module/ref.h"
#include "module/tarvex.h"

namespace dz {

// name: the attribute name as the caller wrote it (str or None; matched
// without regard to case, "/" as "_"). kind: the requested element kind, "m"
// for the model, else "v", "lin", "sos", "gen", "psdv", "psdc". elements:
// None for the model itself, otherwise a list of handles whose indices are
// used. mdl may be NULL (a handle made from Python) or freed (a disposed
// model): the library refuses either, which must surface as TarvexError.

// Returns the value array: one-dimensional, one entry per element (one entry
// for the model); entry 0 is what a single handle reads.
PyObject *model_getattr(TVXmodel *mdl, PyObject *name, const char *kind, PyObject *elements);

// values: what is written, one per element (the value itself for the model).
// Returns None.
PyObject *model_setattr(TVXmodel *mdl, PyObject *name, const char *kind, PyObject *elements,
                        PyObject *values);

}  // namespace dz

#endif
