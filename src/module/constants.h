// The tables attrs, params, wheres, whats, errors and status, the constant
// classes built from them and the constants object TVX.
#ifndef DIDAZODA_CONSTANTS_H
#define DIDAZODA_CONSTANTS_H

#include "ref.h"

namespace dz {

int build_constants(PyObject *module);

}  // namespace dz

#endif
