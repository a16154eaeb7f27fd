#include "expr/terms.h"

#include <climits>
#include <new>

#include "expr/expr_util.h"
#include "model/handles.h"
#include "module/tarvex_error.h"
#include "runtime/args.h"
#include "runtime/sizes.h"

namespace dz {

bool Positions::push(int i) {
  try {
    v_.push_back(i);
  } catch (const std::bad_alloc &) {
    PyErr_NoMemory();
    return false;
  }
  return int_size(v_, &n_);
}

int match_position(PyObject *item, int n, int *position) {
  if (PyLong_CheckExact(item) || PyBool_Check(item)) {
    int overflow = 0;
    long v = PyLong_AsLongAndOverflow(item, &overflow);
    if (v == -1 && PyErr_Occurred()) return -1;
    if (overflow || v < 0 || v >= n) return 0;
    return int_size(v, position) ? 1 : -1;
  }
  // A subclass may define its own equality, which decides.
  for (int j = 0; j < n; j++) {
    Ref index(PyLong_FromLong(j));
    if (!index) return -1;
    int eq = PyObject_RichCompareBool(item, index.get(), Py_EQ);
    if (eq < 0) return -1;
    if (eq) {
      *position = j;
      return 1;
    }
  }
  return 0;
}

int same_var(PyObject *stored, PyObject *var) {
  PyTypeObject *kind = Py_TYPE(stored);
  if ((kind == &Var_Type || kind == &PsdVar_Type) && PyObject_TypeCheck(var, kind))
    return handle_mdl(stored) == handle_mdl(var) && handle_index(stored) == handle_index(var);
  Ref r(PyObject_CallMethodObjArgs(stored, expr_str().sameAs, var, nullptr));
  if (!r) return -1;
  return PyObject_IsTrue(r.get());
}

int is_term_sequence(PyObject *o) {
  if (PyList_Check(o) || PyTuple_Check(o) || list_check(o)) return 1;
  return is_ndarray(o);
}

PyObject *sequence_item(PyObject *seq, Py_ssize_t i) {
  if (PyList_CheckExact(seq) || PyTuple_CheckExact(seq)) return PySequence_GetItem(seq, i);
  Ref key(PyLong_FromSsize_t(i));
  if (!key) return nullptr;
  return PyObject_GetItem(seq, key.get());
}

int add_term_pairs(PyObject *self, PyObject *pairs, bool arrays,
                   int (*add)(PyObject *self, PyObject *coeff, PyObject *var)) {
  Ref it(PyObject_GetIter(pairs));
  if (!it) return -1;
  while (PyObject *raw = PyIter_Next(it.get())) {
    Ref element(raw);
    Py_ssize_t len = -1;
    int pair = PyTuple_Check(raw) || PyList_Check(raw) ? 1 : arrays ? is_ndarray(raw) : 0;
    if (pair < 0) return -1;
    if (pair && (len = PyObject_Size(raw)) < 0) return -1;
    if (len < 2) {
      raise_text("Each element should be a tuple or list with length 2");
      return -1;
    }
    Ref coeff(PySequence_GetItem(raw, 0));
    if (!coeff) return -1;
    Ref var(PySequence_GetItem(raw, 1));
    if (!var || add(self, coeff.get(), var.get()) < 0) return -1;
  }
  return PyErr_Occurred() ? -1 : 0;
}

int is_zero(PyObject *coeff) {
  if (PyFloat_CheckExact(coeff)) return PyFloat_AS_DOUBLE(coeff) == 0.0;
  static PyObject *zero = nullptr;
  if (!zero && !(zero = PyLong_FromLong(0))) return -1;
  return PyObject_RichCompareBool(coeff, zero, Py_EQ);
}

ListBlock *scaled_block(const ListSnap &snap, PyObject *factor, bool item_first) {
  BlockRef out(List_NewBlock());
  if (!out) return nullptr;
  const bool fast = PyFloat_CheckExact(factor);
  const double f = fast ? PyFloat_AS_DOUBLE(factor) : 0.0;
  for (int i = 0; i < snap.size(); i++) {
    PyObject *item = snap.at(i);
    Ref product(fast && PyFloat_CheckExact(item) ? PyFloat_FromDouble(PyFloat_AS_DOUBLE(item) * f)
                : item_first                     ? PyNumber_Multiply(item, factor)
                                                 : PyNumber_Multiply(factor, item));
    if (!product || List_Append(out.get(), product.get()) < 0) return nullptr;
  }
  return out.release();
}

PyObject *term_item(PyObject *view, PyObject *index) {
  int i;
  if (!as_int32(index, &i)) return nullptr;
  ListObject *l = as_list(view);
  if (i < 0 || i >= l->size_) {
    PyErr_SetString(PyExc_IndexError, "list index out of range");
    return nullptr;
  }
  return List_Get(l->list_, i);
}

PyObject *var_value(PyObject *var) {
  return PyObject_CallMethodObjArgs(var, expr_str().getAttr, expr_str().X, nullptr);
}

PyObject *raise_changed(const char *op) {
  PyErr_Format(PyExc_RuntimeError, "expression changed during %s", op);
  return nullptr;
}

}  // namespace dz
