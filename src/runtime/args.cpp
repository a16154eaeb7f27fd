#include "runtime/args.h"

#include <climits>

#include "runtime/sizes.h"

namespace dz {

void raise_argcount(const char *func, bool exact, Py_ssize_t min, Py_ssize_t max,
                    Py_ssize_t given) {
  const char *more_or_less;
  Py_ssize_t expected;
  if (given < min) {
    expected = min;
    more_or_less = exact ? "exactly" : "at least";
  } else {
    expected = max;
    more_or_less = exact ? "exactly" : "at most";
  }
  PyErr_Format(PyExc_TypeError, "%.200s() takes %.8s %zd positional argument%.1s (%zd given)", func,
               more_or_less, expected, expected == 1 ? "" : "s", given);
}

bool raise_arg_type(PyObject *obj, PyTypeObject *type, const char *name) {
  PyErr_Format(PyExc_TypeError,
               "Argument '%.200s' has incorrect type (expected %.200s, got %.200s)", name,
               type->tp_name, Py_TYPE(obj)->tp_name);
  return false;
}

bool check_arg_type(PyObject *obj, PyTypeObject *type, const char *name, bool exact) {
  if (obj == Py_None) return true;
  if (exact ? Py_TYPE(obj) == type : PyObject_TypeCheck(obj, type)) return true;
  return raise_arg_type(obj, type, name);
}

namespace {

bool long_to_int32(PyObject *num, int *out) {
  int overflow = 0;
  long v = PyLong_AsLongAndOverflow(num, &overflow);
  if (v == -1 && PyErr_Occurred()) return false;
  if (overflow || v < INT_MIN || v > INT_MAX) return raise_int32_overflow();
  *out = static_cast<int>(v);
  return true;
}

}  // namespace

bool as_int32(PyObject *obj, int *out) {
  if (PyLong_Check(obj)) return long_to_int32(obj, out);
  PyNumberMethods *nb = Py_TYPE(obj)->tp_as_number;
  unaryfunc conv = nullptr;
  if (nb && nb->nb_int)
    conv = nb->nb_int;
  else if (nb && nb->nb_index)
    conv = nb->nb_index;
  if (!conv) {
    PyErr_SetString(PyExc_TypeError, "an integer is required");
    return false;
  }
  Ref num(conv(obj));
  if (!num) return false;
  if (!PyLong_Check(num.get())) {
    PyErr_Format(PyExc_TypeError, "__int__ returned non-int (type %.200s)",
                 Py_TYPE(num.get())->tp_name);
    return false;
  }
  return long_to_int32(num.get(), out);
}

bool as_double(PyObject *obj, double *out) {
  double v = PyFloat_AsDouble(obj);
  if (v == -1.0 && PyErr_Occurred()) return false;
  *out = v;
  return true;
}

bool float_of(PyObject *obj, double *out) {
  if (PyFloat_CheckExact(obj)) {
    *out = PyFloat_AS_DOUBLE(obj);
    return true;
  }
  Ref f(PyNumber_Float(obj));
  if (!f) return false;
  *out = PyFloat_AS_DOUBLE(f.get());
  return true;
}

}  // namespace dz
