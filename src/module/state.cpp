// Process-wide module state and the lookup of module globals.
#include "module/state.h"

namespace dz {

ModuleState &state() {
  static ModuleState s;
  return s;
}

PyObject *module_global(const char *name) {
  PyObject *m = state().module;
  if (!m) {
    PyErr_SetString(PyExc_RuntimeError, "didazoda is not initialised");
    return nullptr;
  }
  PyObject *v = PyDict_GetItemString(PyModule_GetDict(m), name);
  if (!v) PyErr_Format(PyExc_NameError, "name '%s' is not defined", name);
  return v;
}

void set_private(PyObject **slot, PyObject *value) {
  Py_XINCREF(value);
  Py_XSETREF(*slot, value);
}

}  // namespace dz
