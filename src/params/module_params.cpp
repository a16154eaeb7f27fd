// Module functions acting on the default environment and on the models the
// calling code holds in its global variables: models, setParam, readParams,
// resetParams, writeParams, paramHelp. None of them creates the default
// environment.
#include "model/model.h"
#include "params/params.h"
#include "module/env.h"
#include "module/tarvex_error.h"
#include "module/module_functions.h"
#include "runtime/output.h"
#include "module/state.h"
#include "runtime/globals.h"
#include "runtime/utf8.h"

#include <initializer_list>

namespace dz {

namespace {

// The default Env while it holds a live environment, else None (a new
// reference either way); NULL with an exception.
PyObject *live_default_env() {
  Ref env(default_env(false));
  if (!env || env.get() == Py_None) return env.release();
  if (!env_handle(env.get())) {
    // Disposed without disposeDefaultEnv(): treated as gone.
    PyErr_Clear();
    Py_RETURN_NONE;
  }
  return env.release();
}

// The globals of the Python code that called the module function: since our
// functions push no frame, inspect.currentframe() is the caller's. NULL
// without an exception when there is no calling frame at all.
PyObject *caller_globals() {
  Ref currentframe(global_attr("inspect", "currentframe"));
  if (!currentframe) return nullptr;
  Ref frame(PyObject_CallObject(currentframe.get(), nullptr));
  if (!frame) {
    // Called straight from native code (an atexit hook, say): sys._getframe
    // finds the stack too shallow.
    if (PyErr_ExceptionMatches(PyExc_ValueError)) PyErr_Clear();
    return nullptr;
  }
  if (frame.get() == Py_None) return nullptr;
  return PyObject_GetAttrString(frame.get(), "f_globals");
}

// The found models: a new list of (global name, Model) pairs in the order of
// the caller's globals, a model bound to two names listed twice. The list is
// a snapshot, so code run while walking it (print, a value's conversion)
// cannot disturb the walk.
PyObject *found_models() {
  Ref found(PyList_New(0));
  if (!found) return nullptr;
  Ref globals(caller_globals());
  if (!globals) return PyErr_Occurred() ? nullptr : found.release();
  Ref items(PyMapping_Items(globals.get()));
  if (!items) return nullptr;
  Ref seq(PySequence_Fast(items.get(), "f_globals.items() must be iterable"));
  if (!seq) return nullptr;
  for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(seq.get()); i++) {
    PyObject *pair = PySequence_Fast_GET_ITEM(seq.get(), i);  // borrowed from seq
    if (!PyTuple_Check(pair) || PyTuple_GET_SIZE(pair) != 2) continue;
    if (!model_check(PyTuple_GET_ITEM(pair, 1))) continue;
    if (PyList_Append(found.get(), pair) < 0) return nullptr;
  }
  return found.release();
}

inline PyObject *found_model(PyObject *found, Py_ssize_t i) {
  return PyTuple_GET_ITEM(PyList_GET_ITEM(found, i), 1);
}

// The environment of a found model that holds a solver model, else NULL
// without an exception: disposed models and models created empty are
// skipped, as their handle is freed or was never made.
TVXenv *walk_env(PyObject *model) {
  ModelObject *m = as_model(model);
  return m->owned_ && m->mdl_ ? Model_ops.env(m) : nullptr;
}

// ---- models ------------------------------------------------------------------

PyObject *module_models_impl(PyObject *, PyObject *const *) {
  Ref found(found_models());
  if (!found) return nullptr;
  const Py_ssize_t n = PyList_GET_SIZE(found.get());
  if (n == 0) {
    if (print_line(state().NO_MODELS_PROMPT) < 0) return nullptr;
    Py_RETURN_NONE;
  }
  if (print_line(state().MODEL_LIST_PROMPT) < 0) return nullptr;
  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *pair = PyList_GET_ITEM(found.get(), i);  // the list is ours alone
    Ref line(PyUnicode_FromFormat("%S : %S", PyTuple_GET_ITEM(pair, 0), PyTuple_GET_ITEM(pair, 1)));
    if (!line || print_line(line.get()) < 0) return nullptr;
  }
  Py_RETURN_NONE;
}

// ---- setParam, readParams, resetParams, writeParams ----------------------------

PyObject *module_setParam_impl(PyObject *, PyObject *const *args) {
  PyObject *name = args[0], *value = args[1];
  Ref found(found_models());
  if (!found) return nullptr;
  Ref env(live_default_env());
  if (!env) return nullptr;
  if (env.get() != Py_None) {
    Ref r(PyObject_CallMethod(env.get(), "setParam", "OO", name, value));
    if (!r) return nullptr;
  }
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(found.get()); i++) {
    PyObject *model = found_model(found.get(), i);
    // Checked as each model is reached: the lines printed before may have run
    // code that disposed it.
    if (!walk_env(model)) continue;
    Ref r(set_param(model, model_param_env, name, value));
    if (!r) return nullptr;
  }
  Py_RETURN_NONE;
}

PyObject *module_readParams_impl(PyObject *, PyObject *const *args) {
  Ref found(found_models());
  if (!found) return nullptr;
  Ref env(live_default_env());
  if (!env) return nullptr;
  Ref filename;  // encoded once there is an environment to read into
  auto read_into = [&](TVXenv *handle) -> bool {
    if (!filename && !(filename = Ref(str2chars(args[0])))) return false;
    const int rc = TVXreadparams(handle, PyBytes_AS_STRING(filename.get()));
    if (rc != TVX_ERROR_OKAY) {
      raise_code(rc);
      return false;
    }
    return true;
  };
  if (env.get() != Py_None) {
    TVXenv *handle = env_handle(env.get());
    if (!handle || !read_into(handle)) return nullptr;
  }
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(found.get()); i++) {
    TVXenv *handle = walk_env(found_model(found.get(), i));
    if (handle && !read_into(handle)) return nullptr;
  }
  Py_RETURN_NONE;
}

PyObject *module_resetParams_impl(PyObject *, PyObject *const *) {
  Ref found(found_models());
  if (!found) return nullptr;
  Ref env(live_default_env());
  if (!env) return nullptr;
  // Statuses are not examined.
  if (env.get() != Py_None) {
    TVXenv *handle = env_handle(env.get());
    if (!handle) return nullptr;
    TVXresetparams(handle);
  }
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(found.get()); i++)
    if (TVXenv *handle = walk_env(found_model(found.get(), i))) TVXresetparams(handle);
  Py_RETURN_NONE;
}

PyObject *module_writeParams_impl(PyObject *, PyObject *const *args) {
  Ref env(live_default_env());
  if (!env) return nullptr;
  if (env.get() == Py_None) {
    Ref text(PyUnicode_FromString(
        "Failed to write parameters because default environment has been disposed"));
    if (!text || print_line(text.get()) < 0) return nullptr;
    Py_RETURN_NONE;
  }
  Ref filename(str2chars(args[0]));
  if (!filename) return nullptr;
  TVXenv *handle = env_handle(env.get());
  if (!handle) return nullptr;
  const int rc = TVXwriteparams(handle, PyBytes_AS_STRING(filename.get()));
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  Py_RETURN_NONE;
}

// ---- paramHelp ------------------------------------------------------------------

// "{name} ({type name})\n    {description}" for one row of the table.
int print_help_block(PyObject *row) {
  if (!PyList_Check(row) || PyList_GET_SIZE(row) < 3) {
    PyErr_SetString(PyExc_SystemError, "malformed parameter table row");
    return -1;
  }
  Ref type_name(PyObject_GetAttrString(PyList_GET_ITEM(row, 1), "__name__"));
  if (!type_name) return -1;
  Ref text(PyUnicode_FromFormat("%S (%S)\n    %S", PyList_GET_ITEM(row, 0), type_name.get(),
                                PyList_GET_ITEM(row, 2)));
  return text ? print_line(text.get()) : -1;
}

// "Matching parameters: [...]", the names of the rows of items (the table's
// (key, row) pairs, a snapshot) whose keys match the pattern. 0, or -1 with an
// exception.
int print_matches(PyObject *items, PyObject *pattern) {
  Ref fnmatch(global_attr("fnmatch", "fnmatch"));
  if (!fnmatch) return -1;
  Ref names(PyList_New(0));
  if (!names) return -1;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items); i++) {
    PyObject *item = PyList_GET_ITEM(items, i);  // (key, row), held by items
    PyObject *row = PyTuple_GET_ITEM(item, 1);
    Ref hit(
        PyObject_CallFunctionObjArgs(fnmatch.get(), PyTuple_GET_ITEM(item, 0), pattern, nullptr));
    if (!hit) return -1;
    const int yes = PyObject_IsTrue(hit.get());
    if (yes < 0) return -1;
    if (!yes) continue;
    if (!PyList_Check(row) || PyList_GET_SIZE(row) < 1) {
      PyErr_SetString(PyExc_SystemError, "malformed parameter table row");
      return -1;
    }
    if (PyList_Append(names.get(), PyList_GET_ITEM(row, 0)) < 0) return -1;
  }
  Ref line(PyUnicode_FromFormat("Matching parameters: %S", names.get()));
  return line ? print_line(line.get()) : -1;
}

PyObject *module_paramHelp_impl(PyObject *, PyObject *const *args) {
  PyObject *name = args[0];
  PyObject *table = param_table();
  if (!table) return nullptr;
  // A snapshot of the rows: printing runs arbitrary code.
  Ref items(PyDict_Items(table));
  if (!items) return nullptr;

  if (name == Py_None) {
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); i++)
      if (print_help_block(PyTuple_GET_ITEM(PyList_GET_ITEM(items.get(), i), 1)) < 0)
        return nullptr;
    Py_RETURN_NONE;
  }

  Ref key(param_key(name));
  if (!key) return nullptr;

  // Unlike the matcher, only "?" and "*" select the wildcard mode.
  int wildcard = 0;
  for (const char *mark : {"?", "*"}) {
    Ref m(PyUnicode_FromString(mark));
    if (!m) return nullptr;
    const int has = PySequence_Contains(key.get(), m.get());
    if (has < 0) return nullptr;
    wildcard |= has;
  }
  if (!wildcard) {
    PyObject *row = PyDict_GetItemWithError(table, key.get());  // borrowed
    if (!row) {
      if (PyErr_Occurred()) return nullptr;
      Py_RETURN_NONE;  // no such parameter: nothing to print
    }
    Ref keep = Ref::borrow(row);
    if (print_help_block(row) < 0) return nullptr;
    Py_RETURN_NONE;
  }

  if (print_matches(items.get(), key.get()) < 0) return nullptr;
  Py_RETURN_NONE;
}

// ---- Docstrings ------------------------------------------------------------------

const char models_doc[] = R"doc(
    SIGNATURE:
        models()

    PURPOSE:
        Return all current instantiated models except those in the user's data structure

    ARGUMENTS:
        None.

    )doc";

const char setParam_doc[] = R"doc(
    SIGNATURE:
        setParam(paramname, paramvalue)

    PURPOSE:
        Set the value of a parameter

    ARGUMENTS:
        paramname
        ---------
        The name of the parameter to be set.

        paramvalue
        ----------
        Parameter value

    EXAMPLE:
        setParam("MaxTime", 10)
        setParam("MaxTi*", 10)
        setParam("MaxTi*", "default")

    NOTE:
        1. This modification applies to all models that can be returned from models().
        2. Parameter names can contain '*' and '?' wildcard. If more than one parameter name
           is matched, the parameter value is not modified.
        3. When the parameter value is 'default', you can reset the parameter to its default
           value.

    )doc";

const char readParams_doc[] = R"doc(
    SIGNATURE:
        readParams(filename)

    PURPOSE:
        Read parameter settings from a file

    ARGUMENTS:
        filename
        --------
        The file name of the parameter settings, valid suffix is '.prm'.

    EXAMPLE:
        readParams("settings.prm")

    NOTE:
        This modification applies to all models that can be returned from models()

    )doc";

const char resetParams_doc[] = R"doc(
    SIGNATURE:
        resetParams()

    PURPOSE:
        Set all parameters to their default values.

    ARGUMENTS:
        None.

    EXAMPLE:
        resetParams()

    NOTE:
        This modification applies to all models that can be returned from models()

    )doc";

const char writeParams_doc[] = R"doc(
    SIGNATURE:
        writeParams(filename)

    PURPOSE:
        Writes the parameter settings of the current default Environment to a file.

    ARGUMENTS:
        filename
        --------
        The name of the file.

    EXAMPLE:
        writeParams("settings.prm")

    NOTE:
        If the current default Environment is released, the method reports an error.

    )doc";

const char paramHelp_doc[] = R"doc(
    SIGNATURE:
        paramHelp(paramname)

    PURPOSE:
        Get help documentation for Tarvex parameters

    ARGUMENTS:
        paramname
        ---------
        The name of the parameter for help

    EXAMPLE:
        paramHelp()
        paramHelp("MaxTime")
        paramHelp("IPM*")

    NOTE:
        Argument `paramname` can contain '*' and '?' wildcard characters

    )doc";

const char *const name_arg[] = {"name"};
const char *const filename_arg[] = {"filename"};
const char *const setParam_args[] = {"name", "value"};

}  // namespace

const FuncSpec models_spec =
    func_spec("models", nullptr, nullptr, 0, nullptr, module_models_impl, models_doc);
// Its default (None,) is bound by bind_module_functions.
const FuncSpec paramHelp_spec =
    func_spec("paramHelp", nullptr, name_arg, 0, nullptr, module_paramHelp_impl, paramHelp_doc)
        .with_defaults("(None,)");
const FuncSpec readParams_spec = func_spec("readParams", nullptr, filename_arg, 0, nullptr,
                                           module_readParams_impl, readParams_doc);
const FuncSpec resetParams_spec = func_spec("resetParams", nullptr, nullptr, 0, nullptr,
                                            module_resetParams_impl, resetParams_doc);
const FuncSpec setParam_spec =
    func_spec("setParam", nullptr, setParam_args, 0, nullptr, module_setParam_impl, setParam_doc);
const FuncSpec writeParams_spec = func_spec("writeParams", nullptr, filename_arg, 0, nullptr,
                                            module_writeParams_impl, writeParams_doc);

}  // namespace dz
