// The module entry and the start-up sequence.
#include <cstdio>
#include <cstring>
#include <new>

#include "module/classes.h"
#include "module/constants.h"
#include "module/tarvex_error.h"
#include "runtime/function.h"
#include "runtime/metaclass.h"
#include "module/module_functions.h"
#include "module/numpy_helpers.h"
#include "module/state.h"

namespace dz {

namespace {

int64_t interpreter_id = -1;

// Failures after the constants exist get a traceback entry of their own.
#define STEP(cond)                                                                \
  do {                                                                            \
    if (!(cond)) {                                                                \
      if (constants_ready) _PyTraceback_Add("init tarvexpy", __FILE__, __LINE__); \
      goto fail;                                                                  \
    }                                                                             \
  } while (0)

const char *const all_names[] = {
    "TVX",       "models",      "disposeDefaultEnv",
    "multidict", "paramHelp",   "quicksum",
    "read",      "readParams",  "resetParams",
    "setParam",  "system",      "writeParams",
    "version",   "TarvexError", "tuplelist",
    "tupledict", "Var",         "MVar",
    "Constr",    "SOS",         "GenConstr",
    "MConstr",   "PsdVar",      "PsdConstr",
    "LinExpr",   "QuadExpr",    "MLinExpr",
    "MQuadExpr", "PsdExpr",     "TempConstr",
    "Column",    "Env",         "Model",
};

// Gives __init__ of the class its constructor docstring. Only a slot wrapper
// found in the class's own dictionary is changed: patching an inherited one
// would rewrite the docstring of every class sharing it.
int attach_init_doc(PyTypeObject *type, const char *doc) {
  PyObject *wrapper = PyDict_GetItemString(type->tp_dict, "__init__");
  if (!wrapper || Py_TYPE(wrapper) != &PyWrapperDescr_Type) return 0;
  PyWrapperDescrObject *descr = reinterpret_cast<PyWrapperDescrObject *>(wrapper);
  if (descr->d_common.d_type != type) return 0;
  // Lives as long as the class; the interpreter never frees a slot record.
  struct wrapperbase *copy = new (std::nothrow) wrapperbase(*descr->d_base);
  if (!copy) {
    PyErr_NoMemory();
    return -1;
  }
  copy->doc = doc;
  descr->d_base = copy;
  return 0;
}

int ready_class(PyObject *module, const ClassDef &c, bool bind_pickling_now) {
  PyTypeObject *type = c.type;
  if (c.prepare && c.prepare() < 0) return -1;
  if (c.metaclass) {
    if (!type->tp_dict && !(type->tp_dict = PyDict_New())) return -1;
    if (bind_getmetaclass(type->tp_dict, type) < 0) return -1;
  }
  if (Tarvex_PyType_Ready(type) < 0) return -1;
  if (c.init_doc && attach_init_doc(type, c.init_doc) < 0) return -1;
  Py_INCREF(type);
  if (PyModule_AddObject(module, c.name, reinterpret_cast<PyObject *>(type)) < 0) {
    Py_DECREF(type);
    return -1;
  }
  if (!bind_pickling_now) return 0;
  if (c.pickle) return bind_pickling(type, c.pickle);
  if (c.pickle_refusal) return bind_pickle_refusal(type, c.pickle_refusal);
  return 0;
}

int import_into(PyObject *module, const char *what, const char *as) {
  Ref mod(PyImport_ImportModule(what));
  if (!mod) return -1;
  return PyObject_SetAttrString(module, as, mod.get());
}

int version_check() {
  const char *running = Py_GetVersion();
  int parts[4] = {0, 0, 0, 0};
  const char *p = running;
  for (int i = 0; i < 4; i++) {
    if (*p < '0' || *p > '9') break;
    int v = 0;
    while (*p >= '0' && *p <= '9') v = v * 10 + (*p++ - '0');
    parts[i] = v;
    if (*p != '.') break;
    p++;
  }
  if (parts[0] == PY_MAJOR_VERSION && parts[1] == PY_MINOR_VERSION) return 0;
  char message[200];
  std::snprintf(message, sizeof message,
                "compile time Python version %d.%d of module '%.100s' %s runtime version %d.%d",
                PY_MAJOR_VERSION, PY_MINOR_VERSION, "didazoda", "does not match", parts[0],
                parts[1]);
  return PyErr_WarnEx(PyExc_RuntimeWarning, message, 1);
}

PyObject *module_create(PyObject *spec, PyModuleDef *) {
  int64_t id = PyInterpreterState_GetID(PyThreadState_Get()->interp);
  if (id == -1 && PyErr_Occurred()) return nullptr;
  if (interpreter_id == -1) {
    interpreter_id = id;
  } else if (interpreter_id != id) {
    PyErr_SetString(PyExc_ImportError,
                    "Interpreter change detected - this module can only be loaded into one "
                    "interpreter per process.");
    return nullptr;
  }
  if (state().module) {
    return new_ref(state().module);
  }
  Ref name(PyObject_GetAttrString(spec, "name"));
  if (!name) return nullptr;
  Ref module(PyModule_NewObject(name.get()));
  if (!module) return nullptr;
  PyObject *dict = PyModule_GetDict(module.get());
  static const char *const copies[][2] = {{"loader", "__loader__"},
                                          {"origin", "__file__"},
                                          {"parent", "__package__"},
                                          {"submodule_search_locations", "__path__"}};
  for (auto &c : copies) {
    PyObject *value = PyObject_GetAttrString(spec, c[0]);
    if (!value) {
      if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return nullptr;
      PyErr_Clear();
      continue;
    }
    Ref v(value);
    bool only_if_set = std::strcmp(c[1], "__path__") == 0;
    if (only_if_set && value == Py_None) continue;
    if (PyDict_SetItemString(dict, c[1], value) < 0) return nullptr;
  }
  return module.release();
}

int module_exec(PyObject *module) {
  ModuleState &st = state();
  bool constants_ready = false;
  PyObject *dict;

  if (st.module) {
    if (st.module == module) return 0;
    PyErr_SetString(PyExc_RuntimeError,
                    "Module 'tarvexpy' has already been imported. Re-initialisation is not "
                    "supported.");
    return -1;
  }
  Py_INCREF(module);
  st.module = module;

  dict = PyModule_GetDict(module);
  STEP(dict);
  STEP(PyDict_SetItemString(dict, "__builtins__", PyEval_GetBuiltins()) == 0);
  STEP(version_check() == 0);

  STEP(function_ready() == 0);
  constants_ready = true;
  {
    PyObject *modules = PyImport_GetModuleDict();
    STEP(modules);
    if (!PyDict_GetItemString(modules, "didazoda"))
      STEP(PyDict_SetItemString(modules, "didazoda", module) == 0);
  }

  for (PyObject **slot : {&st.default_env, &st.callback_lock, &st.attrs, &st.params, &st.wheres,
                          &st.whats, &st.errors, &st.status})
    set_private(slot, Py_None);

  for (const ClassDef *c : class_table) {
    bool deferred = c == &TarvexError_class || c == &Operand_class;
    STEP(ready_class(module, *c, !deferred) == 0);
  }

  STEP(import_into(module, "os", "os") == 0);
  STEP(import_into(module, "inspect", "inspect") == 0);
  STEP(import_into(module, "itertools", "itertools") == 0);
  STEP(import_into(module, "fnmatch", "fnmatch") == 0);
  STEP(import_into(module, "numpy", "_np") == 0);
  STEP(numpy_helpers_init() == 0);
  STEP(import_into(module, "scipy.sparse", "_sp") == 0);
  STEP(import_into(module, "pydoc", "pydoc") == 0);
  STEP(import_into(module, "threading", "threading") == 0);
  STEP(import_into(module, "numbers", "numbers") == 0);

  STEP(st.MIXED_TYPE_MSG =
           PyUnicode_InternFromString("Cannot mix scalar and tuple values in a tuplelist"));
  STEP(st.BAD_LENGTH_MSG =
           PyUnicode_InternFromString("All tuples in a tuplelist must be the same length"));
  STEP(st.MODEL_LIST_PROMPT = PyUnicode_InternFromString("Currently loaded models:"));
  STEP(st.NO_MODELS_PROMPT = PyUnicode_InternFromString("No models currently loaded"));

  {
    Ref all(PyList_New(0));
    STEP(all);
    for (const char *name : all_names) {
      Ref s(PyUnicode_InternFromString(name));
      STEP(s && PyList_Append(all.get(), s.get()) == 0);
    }
    STEP(PyDict_SetItemString(dict, "__all__", all.get()) == 0);
  }

  set_private(&st.default_env, Py_None);
  {
    PyObject *threading = module_global("threading");
    STEP(threading);
    Ref lock(PyObject_CallMethod(threading, "Lock", nullptr));
    STEP(lock);
    set_private(&st.callback_lock, lock.get());
  }

  STEP(TarvexError_class.bind(TarvexError_Type.tp_dict) == 0);
  PyType_Modified(&TarvexError_Type);

  STEP(bind_module_functions(module) == 0);

  {
    PyTypeObject *operand = Operand_class.type;
    Ref priority(PyLong_FromLong(1000));
    STEP(priority &&
         PyDict_SetItemString(operand->tp_dict, "__array_priority__", priority.get()) == 0);
    PyType_Modified(operand);
    STEP(bind_pickling(operand, Operand_class.pickle) == 0);
  }

  STEP(build_constants(module) == 0);

  for (const ClassDef *c : class_table) {
    if (c == &TarvexError_class || c == &Operand_class || !c->bind) continue;
    STEP(c->bind(c->type->tp_dict) == 0);
    PyType_Modified(c->type);
  }

  STEP(bind_reconstructors(module) == 0);
  return 0;

fail:
  Py_CLEAR(st.module);
  return -1;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_create, reinterpret_cast<void *>(module_create)},
    {Py_mod_exec, reinterpret_cast<void *>(module_exec)},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "didazoda", nullptr, 0, nullptr, module_slots, nullptr, nullptr, nullptr,
};

}  // namespace

}  // namespace dz

extern "C" __attribute__((visibility("default"))) PyObject *PyInit_didazoda(void) {
  return PyModuleDef_Init(&dz::module_def);
}
