// A row's sides as the library takes them: a side stated against a whole
// expression becomes one against its terms, the expression's constant moved
// across, and a huge one becomes +-TVX.INFINITY.
#include "building/row_sides.h"

#include <cmath>

#include "runtime/globals.h"

namespace dz {

PyObject *row_side(ModelObject *self, PyObject *side, double constant) {
  Ref k(PyFloat_FromDouble(constant));
  if (!k) return nullptr;
  return Model_ops.dec_bound(self, side, k.get());
}

PyObject *model_dec_bound(ModelObject *, PyObject *bound, PyObject *constant) {
  if (bound == Py_None) Py_RETURN_NONE;
  Ref infinity(tvx_constant("INFINITY"));
  if (!infinity) return nullptr;
  // Exact floats, and ints a double holds exactly, are served in C; the
  // result is the same Python would give.
  double b = 0.0;
  bool plain = PyFloat_CheckExact(bound);
  if (plain) {
    b = PyFloat_AS_DOUBLE(bound);
  } else if (PyLong_CheckExact(bound)) {
    int overflow = 0;
    const long long v = PyLong_AsLongLongAndOverflow(bound, &overflow);
    if (v == -1 && PyErr_Occurred()) return nullptr;
    plain = !overflow && v > -(1LL << 53) && v < (1LL << 53);
    b = static_cast<double>(v);
  }
  if (plain && PyFloat_CheckExact(infinity.get()) && PyFloat_CheckExact(constant)) {
    const double inf = PyFloat_AS_DOUBLE(infinity.get());
    if (std::fabs(b) >= inf) return PyFloat_FromDouble(b >= 0 ? inf : -inf);
    return PyFloat_FromDouble(b - PyFloat_AS_DOUBLE(constant));
  }
  Ref magnitude(PyNumber_Absolute(bound));
  if (!magnitude) return nullptr;
  const int huge = PyObject_RichCompareBool(magnitude.get(), infinity.get(), Py_GE);
  if (huge < 0) return nullptr;
  if (huge) {
    Ref zero(PyLong_FromLong(0));
    if (!zero) return nullptr;
    const int positive = PyObject_RichCompareBool(bound, zero.get(), Py_GE);
    if (positive < 0) return nullptr;
    return positive ? infinity.release() : PyNumber_Negative(infinity.get());
  }
  return PyNumber_Subtract(bound, constant);
}

}  // namespace dz
