#include "module_functions.h"

#include "classes.h"
#include "decorators.h"

namespace dz {

PyObject *not_built(const char *what) {
  PyErr_Format(PyExc_NotImplementedError, "%s is not available in this build", what);
  return nullptr;
}

PyObject *op_not_built(PyObject *, PyObject *const *, Py_ssize_t) {
  return not_built("internal operation");
}

namespace {

// Functions whose subsystems are not built yet.
PyObject *placeholder(PyObject *func, PyObject *const *) {
  return not_built(function_spec(func)->name);
}

const char *const no_args[] = {nullptr};
const char *const d_arg[] = {"d"};
const char *const name_arg[] = {"name"};
const char *const li_arg[] = {"li"};
const char *const read_args[] = {"filename", "env"};
const char *const filename_arg[] = {"filename"};
const char *const setparam_args[] = {"name", "value"};

}  // namespace

const FuncSpec models_spec = {"models", nullptr, no_args, 0, 0, 0, nullptr, placeholder, nullptr};
const FuncSpec multidict_spec = {"multidict", nullptr, d_arg, 1, 0, 0, nullptr, placeholder, nullptr};
const FuncSpec paramHelp_spec = {"paramHelp", nullptr, name_arg, 1, 0, 0, nullptr, placeholder, nullptr};
const FuncSpec quicksum_spec = {"quicksum", nullptr, li_arg, 1, 0, 0, nullptr, placeholder, nullptr};
const FuncSpec read_spec = {"read", nullptr, read_args, 2, 0, 0, nullptr, placeholder, nullptr};
const FuncSpec readParams_spec = {"readParams", nullptr, filename_arg, 1, 0, 0, nullptr, placeholder, nullptr};
const FuncSpec resetParams_spec = {"resetParams", nullptr, no_args, 0, 0, 0, nullptr, placeholder, nullptr};
const FuncSpec setParam_spec = {"setParam", nullptr, setparam_args, 2, 0, 0, nullptr, placeholder, nullptr};
const FuncSpec writeParams_spec = {"writeParams", nullptr, filename_arg, 1, 0, 0, nullptr, placeholder, nullptr};

int bind_module_functions(PyObject *module) {
  struct Entry {
    const FuncSpec *spec;
    bool last_defaults_to_none;  // paramHelp(name=None), read(filename, env=None)
  };
  static const Entry order[] = {
      {&models_spec, false},     {&disposeDefaultEnv_spec, false}, {&multidict_spec, false},
      {&paramHelp_spec, true},   {&quicksum_spec, false},          {&read_spec, true},
      {&version_spec, false},    {&readParams_spec, false},        {&resetParams_spec, false},
      {&setParam_spec, false},   {&system_spec, false},            {&writeParams_spec, false},
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
