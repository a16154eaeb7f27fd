// The twelve module-level functions. Each is defined beside what it works
// on; this file binds them in their fixed order.
#ifndef DIDAZODA_MODULE_MODULE_FUNCTIONS_H
#define DIDAZODA_MODULE_MODULE_FUNCTIONS_H

#include "runtime/function.h"

namespace dz {

extern const FuncSpec models_spec, disposeDefaultEnv_spec, multidict_spec, paramHelp_spec,
    quicksum_spec, read_spec, version_spec, readParams_spec, resetParams_spec, setParam_spec,
    system_spec, writeParams_spec;

int bind_module_functions(PyObject *module);

}  // namespace dz

#endif
