#include "module_functions.h"

#include "classes.h"
#include "decorators.h"
#include "function.h"
#include "tarvex.h"

#include <string_view>

namespace dz {

PyObject *not_built(const char *what) {
  PyErr_Format(PyExc_NotImplementedError, "%s is not available in this build", what);
  return nullptr;
}

namespace {

const char *const no_args[] = {nullptr};
const char *const d_arg[] = {"d"};
const char *const name_arg[] = {"name"};
const char *const li_arg[] = {"li"};
const char *const read_args[] = {"filename", "env"};
const char *const filename_arg[] = {"filename"};
const char *const setparam_args[] = {"name", "value"};
const char *const system_args[] = {"args", "kwargs"};

PyObject *placeholder(PyObject *func, PyObject *const *) {
  return not_built(function_spec(func)->name);
}

PyObject *version_impl(PyObject *, PyObject *const *) {
  int major = 0, minor = 0, technical = 0;
  TVXversion(&major, &minor, &technical);
  return Py_BuildValue("(iii)", major, minor, technical);
}

const char version_doc[] =
    "\n"
    "    SIGNATURE:\n"
    "        version()\n"
    "\n"
    "    PURPOSE:\n"
    "        Retrieve version numbers of Tarvex. Method returns a tuple with 3 numbers:\n"
    "        major version number\n"
    "        minor version number\n"
    "        technical version number\n"
    "\n"
    "    ARGUMENTS:\n"
    "        None.\n"
    "\n"
    "    EXAMPLE:\n"
    "        print(version())\n"
    "\n"
    "    ";

const FuncSpec specs[] = {
    {"models", nullptr, no_args, 0, 0, 0, nullptr, placeholder, nullptr},
    {"disposeDefaultEnv", nullptr, no_args, 0, 0, 0, nullptr, placeholder, nullptr},
    {"multidict", nullptr, d_arg, 1, 0, 0, nullptr, placeholder, nullptr},
    {"paramHelp", nullptr, name_arg, 1, 0, 0, nullptr, placeholder, nullptr},
    {"quicksum", nullptr, li_arg, 1, 0, 0, nullptr, placeholder, nullptr},
    {"read", nullptr, read_args, 2, 0, 0, nullptr, placeholder, nullptr},
    {"version", nullptr, no_args, 0, 0, 0, nullptr, version_impl, version_doc},
    {"readParams", nullptr, filename_arg, 1, 0, 0, nullptr, placeholder, nullptr},
    {"resetParams", nullptr, no_args, 0, 0, 0, nullptr, placeholder, nullptr},
    {"setParam", nullptr, setparam_args, 2, 0, 0, nullptr, placeholder, nullptr},
    {"system", nullptr, system_args, 0, 0, FUNC_VARARGS | FUNC_VARKW, nullptr, placeholder,
     nullptr},
    {"writeParams", nullptr, filename_arg, 1, 0, 0, nullptr, placeholder, nullptr},
};

}  // namespace

int bind_module_functions(PyObject *module) {
  PyObject *dict = PyModule_GetDict(module);
  Ref none_default(PyTuple_Pack(1, Py_None));
  if (!none_default) return -1;
  for (const FuncSpec &s : specs) {
    bool defaults_none = s.impl == placeholder &&
                         (std::string_view(s.name) == "paramHelp" ||
                          std::string_view(s.name) == "read");
    if (!bind_function(dict, &s, defaults_none ? none_default.get() : nullptr)) return -1;
  }
  return 0;
}

}  // namespace dz
