// Process-wide module state and the lookup of module globals.
#include "module/state.h"

#include <cstring>

namespace dz {

ModuleState &state() {
  static ModuleState s;
  return s;
}

PyObject *interned(const char *text) {
  // Found by address (most callers pass literals) and checked by content,
  // since a buffer may be reused for another text. Every string made here is
  // kept for the life of the process, so the borrowed reference stays valid.
  struct Slot {
    const char *text;
    PyObject *name;
  };
  static Slot slots[64];
  static int used = 0;
  int at = used < 64 ? used : -1;
  for (int i = 0; i < used; i++) {
    if (slots[i].text != text) continue;
    const char *held = PyUnicode_AsUTF8(slots[i].name);
    if (held && std::strcmp(held, text) == 0) return slots[i].name;
    at = i;  // the old string stays alive, only the slot is reused
    break;
  }
  PyObject *name = PyUnicode_InternFromString(text);
  if (name && at >= 0) {
    slots[at] = Slot{text, name};
    if (at == used) used++;
  }
  return name;
}

PyObject *module_global(const char *name) {
  PyObject *m = state().module;
  if (!m) {
    PyErr_SetString(PyExc_RuntimeError, "didazoda is not initialised");
    return nullptr;
  }
  PyObject *key = interned(name);
  if (!key) return nullptr;
  PyObject *v = PyDict_GetItemWithError(PyModule_GetDict(m), key);
  if (!v && !PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%s' is not defined", name);
  return v;
}

void set_private(PyObject **slot, PyObject *value) {
  Py_XINCREF(value);
  Py_XSETREF(*slot, value);
}

}  // namespace dz
