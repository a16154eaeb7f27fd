// The sides of a row as the library takes them (a bound stated against a
// whole expression also goes through Model_ops.dec_bound, model/model.h).
#ifndef DIDAZODA_BUILDING_ROW_SIDES_H
#define DIDAZODA_BUILDING_ROW_SIDES_H

#include "model/model.h"

namespace dz {

// A side as the library takes it: _dec_bound against the row's constant.
// side None gives None (left to the caller). New reference, or nullptr.
PyObject *row_side(ModelObject *self, PyObject *side, double constant);

}  // namespace dz

#endif
