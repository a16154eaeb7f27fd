// version(), system() and disposeDefaultEnv().
#include "module/env.h"
#include "module/module_functions.h"
#include "module/state.h"
#include "runtime/globals.h"
#include "module/tarvex.h"

namespace dz {

namespace {

const char *const system_args[] = {"args", "kwargs"};

PyObject *module_version_impl(PyObject *, PyObject *const *) {
  int major = 0, minor = 0, technical = 0;
  TVXversion(&major, &minor, &technical);
  return Py_BuildValue("(iii)", major, minor, technical);
}

const char version_doc[] = R"doc(
    SIGNATURE:
        version()

    PURPOSE:
        Retrieve version numbers of Tarvex. Method returns a tuple with 3 numbers:
        major version number
        minor version number
        technical version number

    ARGUMENTS:
        None.

    EXAMPLE:
        print(version())

    )doc";

// args and kwargs are the parser's own tuple and a fresh dict, so the caller's
// keyword dict is never handed on.
PyObject *module_system_impl(PyObject *, PyObject *const *args) {
  Ref system(global_attr("os", "system"));
  if (!system) return nullptr;
  Ref status(PyObject_Call(system.get(), args[0], args[1]));
  if (!status) return nullptr;
  Py_RETURN_NONE;
}

const char system_doc[] = R"doc(
    SIGNATURE:
        system(command)

    PURPOSE:
        Start a process in shell to execute commands or scripts

    ARGUMENTS:
        command
        -------
        The command line to run in the shell.

    EXAMPLE:
        system('ls -l')

    )doc";

PyObject *module_disposeDefaultEnv_impl(PyObject *, PyObject *const *) {
  Ref env(default_env(false));
  if (!env) return nullptr;
  Ref result;
  if (env.get() != Py_None) result = Ref(PyObject_CallMethod(env.get(), "dispose", nullptr));
  // Forgotten even when dispose() raised: the next need makes a new one.
  set_private(&state().default_env, Py_None);
  if (env.get() != Py_None && !result) return nullptr;
  Py_RETURN_NONE;
}

const char disposeDefaultEnv_doc[] = R"doc(
    SIGNATURE:
        disposeDefaultEnv()

    PURPOSE:
        Releases the resources associated with the default Environment.

    ARGUMENTS:
        None.

    EXAMPLE:
        disposeDefaultEnv()

    NOTE:
        When you need to use the default Environment again after you disposed it, Environment
        will be automatically created again

    )doc";

}  // namespace

const FuncSpec version_spec =
    func_spec("version", nullptr, nullptr, 0, nullptr, module_version_impl, version_doc);
const FuncSpec system_spec = func_spec("system", nullptr, system_args, FUNC_VARARGS | FUNC_VARKW,
                                       nullptr, module_system_impl, system_doc);
const FuncSpec disposeDefaultEnv_spec =
    func_spec("disposeDefaultEnv", nullptr, nullptr, 0, nullptr, module_disposeDefaultEnv_impl,
              disposeDefaultEnv_doc);

}  // namespace dz
