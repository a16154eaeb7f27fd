#include "runtime/output.h"

namespace dz {

int print_line(PyObject *text) {
  PyObject *builtins = PyEval_GetBuiltins();                                       // borrowed
  PyObject *print = builtins ? PyDict_GetItemString(builtins, "print") : nullptr;  // borrowed
  if (!print) {
    PyErr_SetString(PyExc_RuntimeError, "lost builtins.print");
    return -1;
  }
  Ref keep = Ref::borrow(print);  // print may replace itself in builtins
  Ref r(PyObject_CallFunctionObjArgs(print, text, nullptr));
  return r ? 0 : -1;
}

}  // namespace dz
