// What differs between the interpreter versions the module is built for
// (3.8 and later), in one place.
#ifndef DIDAZODA_RUNTIME_COMPAT_H
#define DIDAZODA_RUNTIME_COMPAT_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace dz {

// The type flag of a vectorcall-capable class (provisional, underscored, in 3.8).
#if PY_VERSION_HEX < 0x03090000
constexpr unsigned long kTpFlagsHaveVectorcall = _Py_TPFLAGS_HAVE_VECTORCALL;
#else
constexpr unsigned long kTpFlagsHaveVectorcall = Py_TPFLAGS_HAVE_VECTORCALL;
#endif

inline void set_refcnt(PyObject *o, Py_ssize_t n) {
#if PY_VERSION_HEX >= 0x03090000
  Py_SET_REFCNT(o, n);
#else
  Py_REFCNT(o) = n;
#endif
}

inline bool gc_is_tracked(PyObject *o) {
#if PY_VERSION_HEX >= 0x03090000
  return PyObject_GC_IsTracked(o);
#else
  return _PyObject_GC_IS_TRACKED(o);
#endif
}

// A static class object with every slot empty (prepare() fills them), alive
// for the process: it starts with one reference.
inline PyTypeObject static_type_object() {
  PyTypeObject t{};
  set_refcnt(reinterpret_cast<PyObject *>(&t), 1);
  return t;
}

}  // namespace dz

#endif
