#include "module/module_functions.h"

#include "module/classes.h"
#include "runtime/decorators.h"

namespace dz {

PyObject *not_built(const char *what) {
  PyErr_Format(PyExc_NotImplementedError, "%s is not available in this build", what);
  return nullptr;
}

PyObject *op_not_built(PyObject *, PyObject *const *, Py_ssize_t) {
  return not_built("internal operation");
}

int bind_module_functions(PyObject *module) {
  struct Entry {
    const FuncSpec *spec;
    bool last_defaults_to_none;  // paramHelp(name=None), read(filename, env=None)
  };
  static const Entry order[] = {
      {&models_spec, false},      {&disposeDefaultEnv_spec, false},
      {&multidict_spec, false},   {&paramHelp_spec, true},
      {&quicksum_spec, false},    {&read_spec, true},
      {&version_spec, false},     {&readParams_spec, false},
      {&resetParams_spec, false}, {&setParam_spec, false},
      {&system_spec, false},      {&writeParams_spec, false},
  };
  PyObject *dict = PyModule_GetDict(module);
  Ref none_default(PyTuple_Pack(1, Py_None));
  if (!none_default) return -1;
  for (const Entry &e : order)
    if (!bind_function(dict, e.spec, e.last_defaults_to_none ? none_default.get() : nullptr))
      return -1;
  return 0;
}

}  // namespace dz
