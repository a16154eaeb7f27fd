// Stand-in for the attribute engine until it is built. Names are resolved as
// the engine resolves them, so a name that is no attribute raises the
// engine's AttributeError (which getattr(h, name, default), dir() and numpy's
// probes rely on); reaching an actual attribute raises as not built.
#include "model/attrs.h"

#include "module/classes.h"
#include "module/state.h"

namespace dz {

namespace {

// 0 when name is a key of the attribute table, -1 with an exception when not.
int resolve(PyObject *name) {
  // Looked up on the object: a name that is no str fails with its own error.
  Ref replaced(PyObject_CallMethod(name, "replace", "ss", "/", "_"));
  if (!replaced) return -1;
  Ref key(PyObject_CallMethod(replaced.get(), "lower", nullptr));
  if (!key) return -1;
  PyObject *attrs = state().attrs;  // borrowed
  PyObject *row = PyDict_Check(attrs) ? PyDict_GetItemWithError(attrs, key.get()) : nullptr;
  if (row) return 0;
  if (!PyErr_Occurred()) PyErr_Format(PyExc_AttributeError, "Attribute `%S` does not exist", name);
  return -1;
}

}  // namespace

PyObject *model_getattr(TVXmodel *, PyObject *name, const char *, PyObject *) {
  if (resolve(name) < 0) return nullptr;
  return not_built("getAttr");
}

PyObject *model_setattr(TVXmodel *, PyObject *name, const char *, PyObject *, PyObject *) {
  if (resolve(name) < 0) return nullptr;
  return not_built("setAttr");
}

}  // namespace dz
