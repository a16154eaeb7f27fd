// Helpers shared by the building methods that hand rows and objectives to
// the library (constraints.cpp, objective.cpp, lin_arrays.cpp).
#ifndef DIDAZODA_BUILDING_H
#define DIDAZODA_BUILDING_H

#include "model/model.h"

namespace dz {

// TarvexError for a handle that belongs to another model (or to none). Its
// index would name an unrelated element of this one. Returns nullptr.
PyObject *raise_foreign_var();

// The index of a term's variable: it must be a Var of mdl (TypeError for a
// non-Var, TarvexError for another model). Reads only handle fields, so no
// Python code runs. 0 or -1.
int term_var_index(PyObject *var, TVXmodel *mdl, int *index);

// The live solver model of m whose row lists can take new handles; nullptr
// with TarvexError otherwise.
TVXmodel *rows_live_model(ModelObject *m);

// TVX.<name> as it stands now: a new reference.
PyObject *tvx_constant(const char *name);

}  // namespace dz

#endif
