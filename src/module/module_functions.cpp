#include "module/module_functions.h"

#include "model/handles.h"
#include "runtime/decorators.h"

namespace dz {

int bind_module_functions(PyObject *module) {
  static const FuncSpec *const order[] = {
      &models_spec, &disposeDefaultEnv_spec, &multidict_spec,  &paramHelp_spec,   &quicksum_spec,
      &read_spec,   &version_spec,           &readParams_spec, &resetParams_spec, &setParam_spec,
      &system_spec, &writeParams_spec,
  };
  PyObject *dict = PyModule_GetDict(module);
  for (const FuncSpec *spec : order)
    if (!bind_function(dict, spec)) return -1;
  return bind_function(dict, &set_handle_index_spec) ? 0 : -1;
}

}  // namespace dz
