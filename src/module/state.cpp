// Process-wide module state and the lookup of module globals.
#include "module/state.h"

#include <climits>
#include <cstring>

#include "runtime/args.h"

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

Ref module_global(const char *name) {
  PyObject *m = state().module;
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

Ref tvx_constant(const char *group, const char *name) {
  Ref set(tvx_constant(group));
  return set ? Ref(PyObject_GetAttrString(set.get(), name)) : Ref();
}

bool tvx_int(const char *group, const char *name, int *out) {
  Ref value(tvx_constant(group, name));
  if (!value) return false;
  const long v = PyLong_AsLong(value.get());
  if (v == -1 && PyErr_Occurred()) return false;
  if (v < INT_MIN || v > INT_MAX) return raise_int32_overflow();
  *out = static_cast<int>(v);
  return true;
}

void set_private(PyObject **slot, PyObject *value) {
  Py_XINCREF(value);
  Py_XSETREF(*slot, value);
}

}  // namespace dz
