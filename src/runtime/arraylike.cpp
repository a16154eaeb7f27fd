#include "runtime/arraylike.h"

#include "module/state.h"

namespace dz {

namespace {

// getattr(module global, name)(obj), its truth. 1, 0, or -1.
int global_test(const char *module, const char *name, PyObject *obj) {
  PyObject *mod = module_global(module);  // borrowed
  if (!mod) return -1;
  Ref answer(PyObject_CallMethod(mod, name, "O", obj));
  if (!answer) return -1;
  return PyObject_IsTrue(answer.get());
}

// isinstance(obj, getattr(module global, *name)); the name is interned on
// first use and lives as long as the process.
int instance_of_global(PyObject *obj, const char *module, PyObject *&name, const char *text) {
  if (!name && !(name = PyUnicode_InternFromString(text))) return -1;
  PyObject *mod = module_global(module);  // borrowed
  if (!mod) return -1;
  Ref cls(PyObject_GetAttr(mod, name));
  if (!cls) return -1;
  return PyObject_IsInstance(obj, cls.get());
}

PyObject *s_ndarray, *s_Number;

}  // namespace

int is_ndarray(PyObject *obj) {
  if (PyList_Check(obj) || PyTuple_Check(obj) || PyFloat_Check(obj) || PyLong_Check(obj)) return 0;
  return instance_of_global(obj, "_np", s_ndarray, "ndarray");
}

int is_number_instance(PyObject *obj) {
  return instance_of_global(obj, "numbers", s_Number, "Number");
}

int is_scalar(PyObject *obj) {
  if (PyFloat_Check(obj) || PyLong_Check(obj) || PyComplex_Check(obj)) return 1;
  if (PyUnicode_CheckExact(obj) || PyBytes_CheckExact(obj) || PyMemoryView_Check(obj)) return 1;
  if (PyArray_IsScalar(obj, Generic)) return 1;
  if (PyList_Check(obj) || PyTuple_Check(obj) || PyDict_Check(obj) || obj == Py_None ||
      PyArray_Check(obj))
    return 0;
  return is_number_instance(obj);
}

int is_sparse(PyObject *obj) {
  if (PyList_Check(obj) || PyTuple_Check(obj) || PyArray_Check(obj)) return 0;
  return global_test("_sp", "issparse", obj);
}

int is_zero_dim(PyObject *obj) {
  if (PyFloat_Check(obj) || PyLong_Check(obj) || PyUnicode_Check(obj) || PyBytes_Check(obj))
    return 1;
  if (PyList_Check(obj) || PyTuple_Check(obj)) return 0;
  if (PyArray_Check(obj)) return PyArray_NDIM(reinterpret_cast<PyArrayObject *>(obj)) == 0;
  if (PyArray_IsAnyScalar(obj)) return 1;
  PyObject *np = module_global("_np");  // borrowed
  if (!np) return -1;
  Ref nd(PyObject_CallMethod(np, "ndim", "O", obj));
  if (!nd) return -1;
  Ref zero(PyLong_FromLong(0));
  if (!zero) return -1;
  return PyObject_RichCompareBool(nd.get(), zero.get(), Py_EQ);
}

PyArrayObject *np_asarray(PyObject *obj) {
  return reinterpret_cast<PyArrayObject *>(PyArray_FromAny(obj, nullptr, 0, 0, 0, nullptr));
}

PyArrayObject *np_row_major(PyObject *obj, PyArray_Descr *descr) {
  int flags = NPY_ARRAY_C_CONTIGUOUS | NPY_ARRAY_ALIGNED;
  if (descr) flags |= NPY_ARRAY_FORCECAST;
  return reinterpret_cast<PyArrayObject *>(PyArray_FromAny(obj, descr, 0, 0, flags, nullptr));
}

}  // namespace dz
