// The handles of rows about to be added, linear and semidefinite alike.
#ifndef DIDAZODA_BUILDING_NEW_ROWS_H
#define DIDAZODA_BUILDING_NEW_ROWS_H

#include "model/model.h"

namespace dz {

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
