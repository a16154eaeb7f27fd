#include "runtime/lifecycle.h"

#include "runtime/compat.h"

namespace dz {

namespace {

// Prints the pending exception with its traceback and hands it to the
// unraisable hook under the given context text.
void write_unraisable(const char *context) {
  PyObject *type, *value, *tb;
  PyErr_Fetch(&type, &value, &tb);
  // PyErr_Display, unlike PyErr_Print, never exits on SystemExit.
  PyErr_NormalizeException(&type, &value, &tb);
  if (value) PyErr_Display(type, value, tb);
  Ref ctx(PyUnicode_FromString(context));
  PyErr_Restore(type, value, tb);
  PyErr_WriteUnraisable(ctx.get());
}

}  // namespace

void call_dispose(PyObject *self, const char *context) {
  PyObject *type, *value, *tb;
  PyErr_Fetch(&type, &value, &tb);
  Ref r(PyObject_CallMethod(self, "dispose", nullptr));
  if (!r) write_unraisable(context);
  PyErr_Restore(type, value, tb);
}

bool dispose_in_dealloc(PyObject *self, const char *context, bool *revived) {
  if (*revived) return true;
  PyTypeObject *type = Py_TYPE(self);
  set_refcnt(self, 1);
  call_dispose(self, context);
  const Py_ssize_t left = Py_REFCNT(self) - 1;
  set_refcnt(self, left);
  if (left == 0) return true;
  *revived = true;
  // dispose() kept a reference: the object lives on, tracked and holding its
  // type as before deallocation began (a subclass's deallocation drops one
  // reference to its type after we return).
  if (PyType_IS_GC(type) && !gc_is_tracked(self)) PyObject_GC_Track(self);
  if (type->tp_flags & Py_TPFLAGS_HEAPTYPE) Py_INCREF(type);
  return false;
}

}  // namespace dz
