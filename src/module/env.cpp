// Env: one environment handle of the library, freed once by dispose().
#include "module/env.h"

#include "runtime/args.h"
#include "module/classes.h"
#include "runtime/decorators.h"
#include "module/tarvex_error.h"
#include "runtime/lifecycle.h"
#include "runtime/function.h"
#include "params/params.h"
#include "module/state.h"
#include "runtime/utf8.h"
#include "runtime/guard.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject Env_Type = static_type_object();

namespace {

// Holds no Python references, so it takes no part in cycle collection.
struct EnvObject {
  PyObject_HEAD TVXenv *env_;  // meaningful only while owned_ is 1
  int owned_;                  // 1 from a successful __init__ until dispose()
  int empty_;                  // the integer value of __init__'s `empty`
  bool revived_;               // deallocation's dispose() kept the object alive once
};

inline EnvObject *E(PyObject *o) { return reinterpret_cast<EnvObject *>(o); }

// ---- Life cycle ---------------------------------------------------------------

const char init_doc[] = R"doc(
        SIGNATURE:
            __init__(logfilename='', empty=False)

        PURPOSE:
            Construct an Environment

        ARGUMENTS:
            logfilename=''
            --------------
            The name of the log file. With an empty name nothing is logged.

            empty=False
            -----------
            Whether to create an empty Environment, which must be started with
            start() before a model can be created in it.

        EXAMPLE:
            env = Env('solve.log')
            m = Model('m', env)

        )doc";

const char class_doc[] = R"doc(The runtime environment of a model.

Every model needs an Env. One default Env is created automatically for
the process when a model is created without one; it can be released
with disposeDefaultEnv().)doc";

const char *const init_argnames[] = {"self", "logfilename", "empty", "params"};
const FuncSpec init_spec =
    func_spec("__init__", "Env.__init__", init_argnames, FUNC_METHOD, nullptr, nullptr, nullptr)
        .with_defaults("('', False, None)");

int env_init(PyObject *self, PyObject *args, PyObject *kwargs) {
  ParsedArgs a;
  if (parse_init(&init_spec, self, args, kwargs, a) < 0) return -1;
  PyObject *logfilename = a[1], *empty = a[2], *params = a[3];
  if (!check_arg_type(logfilename, &PyUnicode_Type, "logfilename", true) ||
      !check_arg_type(params, &PyDict_Type, "params", true))
    return -1;
  int empty_value;
  if (!as_int32(empty, &empty_value)) return -1;
  const int make_empty = PyObject_IsTrue(empty);
  if (make_empty < 0) return -1;

  // 3 is never a valid handle: a library that failed to store one is caught.
  TVXenv *handle = reinterpret_cast<TVXenv *>(3);
  int rc;
  if (make_empty) {
    rc = TVXemptyenv(&handle);
  } else {
    Ref name(str2chars(logfilename));
    if (!name) return -1;
    rc = TVXloadenv(&handle, PyBytes_AS_STRING(name.get()));
  }
  if (rc != TVX_ERROR_OKAY) {
    raise_code(rc);
    return -1;
  }
  // Initialised again: the old handle goes only once the new one exists, so
  // a failed second __init__ leaves the environment as it was.
  EnvObject *e = E(self);
  if (e->owned_) {
    e->owned_ = 0;
    TVXfreeenv(e->env_);
  }
  e->env_ = handle;
  e->empty_ = empty_value;
  e->owned_ = 1;

  if (params == Py_None) return 0;
  // A dict that changes size while its settings are applied raises
  // RuntimeError through its own items iterator.
  Ref items(PyObject_CallMethod(params, "items", nullptr));
  if (!items) return -1;
  Ref it(PyObject_GetIter(items.get()));
  if (!it) return -1;
  while (PyObject *next = PyIter_Next(it.get())) {
    Ref pair(next);
    if (!PyTuple_Check(next) || PyTuple_GET_SIZE(next) != 2) {
      PyErr_SetString(PyExc_TypeError, "params.items() must yield pairs");
      return -1;
    }
    Ref r(PyObject_CallMethod(self, "setParam", "OO", PyTuple_GET_ITEM(next, 0),
                              PyTuple_GET_ITEM(next, 1)));
    if (!r) return -1;
  }
  return PyErr_Occurred() ? -1 : 0;
}

void env_finalize(PyObject *self) { call_dispose(self, "didazoda.Env.__del__"); }

void env_dealloc(PyObject *self) {
  PyTypeObject *type = Py_TYPE(self);
  // A subclass's deallocation has run the finaliser before it got here, and
  // Env, not being tracked, keeps no mark that it did.
  if (type == &Env_Type && PyObject_CallFinalizerFromDealloc(self) < 0) return;
  if (!dispose_in_dealloc(self, "didazoda.Env.__dealloc__", &E(self)->revived_)) return;
  type->tp_free(self);
}

// ---- Methods ---------------------------------------------------------------

const char *const self_only[] = {"self"};
const char *const setparam_args[] = {"self", "paramname", "newvalue"};
const char *const filename_args[] = {"self", "filename"};

PyObject *env_start_impl(PyObject *, PyObject *const *args) {
  TVXenv *env = env_handle(args[0]);
  if (!env) return nullptr;
  // Always started: an environment made empty needs it, and the library
  // leaves one already started as it is.
  const int rc = TVXstartenv(env);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  Py_RETURN_NONE;
}

PyObject *env_resetParam_impl(PyObject *, PyObject *const *args) {
  TVXenv *env = env_handle(args[0]);
  if (!env) return nullptr;
  TVXresetparams(env);
  Py_RETURN_NONE;
}

PyObject *env_setParam_impl(PyObject *, PyObject *const *args) {
  return set_param(args[0], env_handle, args[1], args[2]);
}

PyObject *env_writeParams_impl(PyObject *, PyObject *const *args) {
  TVXenv *env = env_handle(args[0]);
  if (!env) return nullptr;
  Ref name(str2chars(args[1]));
  if (!name) return nullptr;
  const int rc = TVXwriteparams(env, PyBytes_AS_STRING(name.get()));
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  Py_RETURN_NONE;
}

PyObject *env_dispose_impl(PyObject *, PyObject *const *args) {
  EnvObject *e = E(args[0]);
  if (e->owned_) {
    e->owned_ = 0;
    TVXfreeenv(e->env_);
  }
  Py_RETURN_NONE;
}

const char start_doc[] = R"doc(
        SIGNATURE:
            start()

        PURPOSE:
            start an Environment. When the Environment is empty, you must call start before
            you can use it.

        ARGUMENTS:
            None.

        EXAMPLE:
            env = Env('solve.log', True)
            env.start()

        )doc";

const char resetParam_doc[] = R"doc(
        SIGNATURE:
            resetParam()

        PURPOSE:
            Reset all parameter to default values

        ARGUMENTS:
            None.

        EXAMPLE:
            env.resetParam()

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
            env.setParam('MaxTime', 10)
            env.setParam('MaxTime', 'default')

        )doc";

const char writeParams_doc[] = R"doc(
        SIGNATURE:
            writeParams(filename)

        PURPOSE:
            Write parameter settings to a file

        ARGUMENTS:
            filename
            --------
            The name of the file, with the suffix '.prm'.

        EXAMPLE:
            env.writeParams('settings.prm')

        )doc";

const char dispose_doc[] = R"doc(
        SIGNATURE:
            dispose()

        PURPOSE:
            Release the resources associated with the Environment.

        ARGUMENTS:
            None.

        EXAMPLE:
            env.dispose()

        )doc";

const FuncSpec method_specs[] = {
    DZ_METHOD(Env, start, self_only, env_start_impl, start_doc),
    DZ_METHOD(Env, resetParam, self_only, env_resetParam_impl, resetParam_doc),
    DZ_METHOD(Env, setParam, setparam_args, env_setParam_impl, setParam_doc),
    DZ_METHOD(Env, writeParams, filename_args, env_writeParams_impl, writeParams_doc),
    DZ_METHOD(Env, dispose, self_only, env_dispose_impl, dispose_doc),
};

int env_prepare() {
  PyTypeObject *t = &Env_Type;
  t->tp_name = "didazoda.Env";
  t->tp_basicsize = sizeof(EnvObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_FINALIZE;
  t->tp_doc = class_doc;
  t->tp_new = PyType_GenericNew;
  t->tp_init = DZ_SLOT(env_init);
  t->tp_finalize = env_finalize;
  t->tp_dealloc = env_dealloc;
  return 0;
}

int env_bind(PyObject *dict) { return bind_functions(dict, method_specs); }

}  // namespace

TVXenv *env_handle(PyObject *env) {
  if (!E(env)->owned_) {
    raise_code(TVX_ERROR_INVALID_ARGUMENT);
    return nullptr;
  }
  return E(env)->env_;
}

PyObject *default_env(bool create) {
  ModuleState &st = state();
  if (create && (!st.default_env || st.default_env == Py_None)) {
    Ref env(PyObject_CallObject(reinterpret_cast<PyObject *>(&Env_Type), nullptr));
    if (!env) return nullptr;
    set_private(&st.default_env, env.get());
  }
  PyObject *d = st.default_env ? st.default_env : Py_None;
  return new_ref(d);
}

const ClassDef Env_class = {
    &Env_Type, "Env", env_prepare, env_bind,
    init_doc,  true,  nullptr,     "self.env_ cannot be converted to a Python object for pickling"};

}  // namespace dz
