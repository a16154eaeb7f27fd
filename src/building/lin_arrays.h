// Helpers shared by the building methods that hand rows and objectives to
// the library (constraints.cpp, objective.cpp, lin_arrays.cpp).
#ifndef DIDAZODA_BUILDING_LIN_ARRAYS_H
#define DIDAZODA_BUILDING_LIN_ARRAYS_H

#include "model/model.h"

namespace dz {

// The index of a term's variable: it must be a Var of mdl (TypeError for a
// non-Var, TarvexError for another model). Reads only handle fields, so no
// Python code runs. 0 or -1.
int term_var_index(PyObject *var, TVXmodel *mdl, int *index);

// TVX.<name> as it stands now: a new reference.
PyObject *tvx_constant(const char *name);

}  // namespace dz

#endif
