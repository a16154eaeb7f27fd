// Helpers shared by the building methods that hand rows and objectives to
// the library (constraints.cpp, objective.cpp, lin_arrays.cpp, and the
// semidefinite rows of psd/).
#ifndef DIDAZODA_BUILDING_LIN_ARRAYS_H
#define DIDAZODA_BUILDING_LIN_ARRAYS_H

#include "model/model.h"

namespace dz {

// The index of a term's variable: it must be a Var of mdl (TypeError for a
// non-Var, TarvexError for another model). Reads only handle fields, so no
// Python code runs. 0 or -1.
int term_var_index(PyObject *var, TVXmodel *mdl, int *index);

// A side as the library takes it: _dec_bound against the row's constant.
// side None gives None (left to the caller). New reference, or nullptr.
PyObject *row_side(ModelObject *self, PyObject *side, double constant);

// New Constr and PsdConstr handles for rows about to be added, numbered
// once the library accepted them; made beforehand so that nothing can fail
// between the call and the appends but the appends themselves.
struct NewRows {
  Ref constrs, psdconstrs;  // lists
  bool make(Py_ssize_t n);
  // Numbers the handles after the model's rows and appends them to
  // constrlist_ and psdconstrlist_. 0 or -1.
  int append(ModelObject *m, TVXmodel *mdl);
};

}  // namespace dz

#endif
