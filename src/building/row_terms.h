// The terms of linear rows as the library takes them (the rows themselves
// go through Model_ops.linExprs2array, model/model.h).
#ifndef DIDAZODA_BUILDING_ROW_TERMS_H
#define DIDAZODA_BUILDING_ROW_TERMS_H

#include "model/model.h"

namespace dz {

// The index of a term's variable: it must be a Var of mdl (TypeError for a
// non-Var, TarvexError for another model). Reads only handle fields, so no
// Python code runs. 0 or -1.
int term_var_index(PyObject *var, TVXmodel *mdl, int *index);

}  // namespace dz

#endif
