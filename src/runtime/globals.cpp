// The module object and the lookup of its globals.
#include "runtime/globals.h"

#include <cstring>

namespace dz {

namespace {

PyObject *g_module = nullptr;  // owned

}  // namespace

PyObject *module_object() { return g_module; }

void set_module_object(PyObject *module) {
  Py_XINCREF(module);
  Py_XSETREF(g_module, module);
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

Ref module_global(const char *name) {
  PyObject *m = g_module;
  if (!m) {
    PyErr_SetString(PyExc_RuntimeError, "didazoda is not initialised");
    return Ref();
  }
  PyObject *key = interned(name);
  if (!key) return Ref();
  Ref v = Ref::borrow(PyDict_GetItemWithError(PyModule_GetDict(m), key));
  if (!v && !PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%s' is not defined", name);
  return v;
}

Ref global_attr(const char *global, const char *name) {
  Ref owner(module_global(global));
  return owner ? Ref(PyObject_GetAttrString(owner.get(), name)) : Ref();
}

}  // namespace dz
