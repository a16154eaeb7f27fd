// The module's private variables.
#include "module/state.h"

namespace dz {

ModuleState &state() {
  static ModuleState s;
  return s;
}

void set_private(PyObject **slot, PyObject *value) {
  Py_XINCREF(value);
  Py_XSETREF(*slot, value);
}

}  // namespace dz
