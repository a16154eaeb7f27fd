// The module-level functions.
#ifndef DIDAZODA_MODULE_FUNCTIONS_H
#define DIDAZODA_MODULE_FUNCTIONS_H

#include "ref.h"

namespace dz {

// Binds the twelve module functions in their fixed order.
int bind_module_functions(PyObject *module);

}  // namespace dz

#endif
