// The module-level functions and the constants object.
#ifndef DIDAZODA_MODULE_FUNCTIONS_H
#define DIDAZODA_MODULE_FUNCTIONS_H

#include "ref.h"

namespace dz {

// Binds the twelve module functions in their fixed order.
int bind_module_functions(PyObject *module);

// Builds the tables, the constant classes and TVX.
int build_constants(PyObject *module);

}  // namespace dz

#endif
