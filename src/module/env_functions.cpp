// version(), system() and disposeDefaultEnv().
#include "classes.h"
#include "module_functions.h"
#include "tarvex.h"

namespace dz {

namespace {

const char *const no_args[] = {nullptr};
const char *const system_args[] = {"args", "kwargs"};

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

PyObject *placeholder(PyObject *func, PyObject *const *) {
  return not_built(function_spec(func)->name);
}

}  // namespace

const FuncSpec version_spec = {"version", nullptr, no_args, 0, 0, 0, nullptr, version_impl,
                               version_doc};
const FuncSpec system_spec = {"system", nullptr, system_args, 0, 0, FUNC_VARARGS | FUNC_VARKW,
                              nullptr, placeholder, nullptr};
const FuncSpec disposeDefaultEnv_spec = {"disposeDefaultEnv", nullptr, no_args, 0, 0, 0,
                                         nullptr, placeholder, nullptr};

}  // namespace dz
