// The module entry and the start-up sequence.
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "module/classes.h"
#include "module/constants.h"
#include "module/tarvex_error.h"
#include "runtime/function.h"
#include "runtime/metaclass.h"
#include "module/module_functions.h"
#include "module/numpy_helpers.h"
#include "module/state.h"
#include "runtime/globals.h"
#include "runtime/guard.h"

namespace dz {

namespace {

int64_t interpreter_id = -1;

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

int install_pickling(const ClassDef &c) {
  if (c.pickle) return bind_pickling(c.type, c.pickle);
  if (c.pickle_refusal) return bind_pickle_refusal(c.type, c.pickle_refusal);
  return 0;
}

int ready_class(PyObject *module, const ClassDef &c) {
  PyTypeObject *type = c.type;
  if (c.prepare && c.prepare() < 0) return -1;
  if (c.metaclass) {
    if (!type->tp_dict && !(type->tp_dict = PyDict_New())) return -1;
    if (bind_getmetaclass(type->tp_dict, type) < 0) return -1;
  }
  if (Tarvex_PyType_Ready(type) < 0) return -1;
  if (c.init_doc && attach_init_doc(type, c.init_doc) < 0) return -1;
  if (PyDict_SetItemString(PyModule_GetDict(module), c.name, reinterpret_cast<PyObject *>(type)) <
      0)
    return -1;
  return c.bind_before_constants ? 0 : install_pickling(c);
}

int bind_members(const ClassDef &c) {
  if (!c.bind) return 0;
  if (c.bind(c.type->tp_dict) < 0) return -1;
  PyType_Modified(c.type);
  return 0;
}

int import_into(PyObject *module, const char *what, const char *as) {
  Ref mod(PyImport_ImportModule(what));
  if (!mod) return -1;
  return PyObject_SetAttrString(module, as, mod.get());
}

int check_version(PyObject *) {
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
                PY_MAJOR_VERSION, PY_MINOR_VERSION, "tarvexpy", "does not match", parts[0],
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
  if (PyObject *recorded = module_object()) {
    return new_ref(recorded);
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

// ---- The exec step, after its re-import guard: one function per part ----

int set_builtins(PyObject *module) {
  Ref builtins(PyImport_ImportModule("builtins"));
  return builtins ? PyDict_SetItemString(PyModule_GetDict(module), "__builtins__", builtins.get())
                  : -1;
}

// The interned names and constants every function object uses exist once
// this has run: from here on a failing part gets a traceback entry.
int make_constants(PyObject *) { return function_ready(); }

int enter_sys_modules(PyObject *module) {
  PyObject *modules = PyImport_GetModuleDict();
  if (!modules) return -1;
  if (PyDict_GetItemString(modules, "didazoda")) return 0;
  return PyDict_SetItemString(modules, "didazoda", module);
}

int reset_private(PyObject *) {
  ModuleState &st = state();
  for (PyObject **slot : {&st.default_env, &st.callback_lock, &st.attrs, &st.params, &st.wheres,
                          &st.whats, &st.errors, &st.status})
    set_private(slot, Py_None);
  return 0;
}

int ready_classes(PyObject *module) {
  for (const ClassDef *c : class_table)
    if (ready_class(module, *c) < 0) return -1;
  return 0;
}

int import_modules(PyObject *module) {
  static const char *const imports[][2] = {
      {"os", "os"},           {"inspect", "inspect"},     {"itertools", "itertools"},
      {"fnmatch", "fnmatch"}, {"numpy", "_np"},           {"scipy.sparse", "_sp"},
      {"pydoc", "pydoc"},     {"threading", "threading"}, {"numbers", "numbers"}};
  for (auto &i : imports) {
    if (import_into(module, i[0], i[1]) < 0) return -1;
    // numpy's C API table is filled as soon as numpy is there.
    if (std::strcmp(i[1], "_np") == 0 && numpy_helpers_init() < 0) return -1;
  }
  return 0;
}

int set_text_constants(PyObject *) {
  ModuleState &st = state();
  const std::pair<PyObject **, const char *> texts[] = {
      {&st.MIXED_TYPE_MSG, "Cannot mix scalar and tuple values in a tuplelist"},
      {&st.BAD_LENGTH_MSG, "All tuples in a tuplelist must be the same length"},
      {&st.MODEL_LIST_PROMPT, "Currently loaded models:"},
      {&st.NO_MODELS_PROMPT, "No models currently loaded"}};
  for (auto &t : texts)
    if (!(*t.first = PyUnicode_InternFromString(t.second))) return -1;
  return 0;
}

int set_all(PyObject *module) {
  Ref all(PyList_New(0));
  if (!all) return -1;
  for (const char *name : all_names) {
    Ref s(PyUnicode_InternFromString(name));
    if (!s || PyList_Append(all.get(), s.get()) < 0) return -1;
  }
  return PyDict_SetItemString(PyModule_GetDict(module), "__all__", all.get());
}

int make_callback_lock(PyObject *) {
  ModuleState &st = state();
  set_private(&st.default_env, Py_None);
  Ref make_lock(global_attr("threading", "Lock"));
  if (!make_lock) return -1;
  Ref lock(PyObject_CallObject(make_lock.get(), nullptr));
  if (!lock) return -1;
  set_private(&st.callback_lock, lock.get());
  return 0;
}

// The classes the constants and the module functions rely on.
int bind_early_classes(PyObject *) {
  for (const ClassDef *c : class_table)
    if (c->bind_before_constants && (bind_members(*c) < 0 || install_pickling(*c) < 0)) return -1;
  return 0;
}

int bind_late_classes(PyObject *) {
  for (const ClassDef *c : class_table)
    if (!c->bind_before_constants && bind_members(*c) < 0) return -1;
  return 0;
}

struct ExecPart {
  int (*run)(PyObject *module);
  int line;     // where a traceback entry points
  bool traced;  // runs once the constants exist
};

#define PART(run, traced) \
  { run, __LINE__, traced }
const ExecPart exec_parts[] = {
    PART(set_builtins, false),
    PART(check_version, false),
    PART(make_constants, false),
    PART(enter_sys_modules, true),
    PART(reset_private, true),
    PART(ready_classes, true),
    PART(import_modules, true),
    PART(set_text_constants, true),
    PART(set_all, true),
    PART(make_callback_lock, true),
    PART(bind_early_classes, true),
    PART(bind_module_functions, true),
    PART(build_constants, true),
    PART(bind_late_classes, true),
    PART(bind_reconstructors, true),
};
#undef PART

int module_exec(PyObject *module) {
  if (PyObject *recorded = module_object()) {
    if (recorded == module) return 0;
    PyErr_SetString(PyExc_RuntimeError,
                    "Module 'tarvexpy' has already been imported. Re-initialisation is not "
                    "supported.");
    return -1;
  }
  set_module_object(module);
  for (const ExecPart &part : exec_parts) {
    if (part.run(module) == 0) continue;
    if (part.traced) _PyTraceback_Add("init tarvexpy", __FILE__, part.line);
    set_module_object(nullptr);
    return -1;
  }
  return 0;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_create, reinterpret_cast<void *>(DZ_SLOT(module_create))},
    {Py_mod_exec, reinterpret_cast<void *>(DZ_SLOT(module_exec))},
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
