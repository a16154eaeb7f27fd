// The array-like test, element mapping, and the element-wise kernels and
// dispatchers of the array classes.
#include "array/array_kernels.h"

#include "array/array_object.h"
#include "expr/dispatch.h"
#include "expr/expr_util.h"
#include "module/classes.h"
#include "runtime/globals.h"
#include "runtime/args.h"
#include "runtime/arraylike.h"

namespace dz {

int is_arraylike(PyObject *obj, bool sparse) {
  if (PyObject_TypeCheck(obj, Operand_class.type)) return 0;
  // Built-in containers and None are neither sparse matrices nor carry a
  // priority, and numpy never takes them for scalars.
  if (obj == Py_None || PyList_CheckExact(obj) || PyTuple_CheckExact(obj) || PyDict_CheckExact(obj))
    return 1;
  // Sparse arrays as well as sparse matrices: neither combines cell by cell.
  const int sp = is_sparse(obj);
  if (sp < 0) return -1;
  if (sp) return sparse ? 1 : 0;
  {
    Ref priority(PyObject_GetAttrString(obj, "__array_priority__"));
    if (priority) return 1;
    PyErr_Clear();
  }
  const int scalar = is_scalar(obj);
  return scalar < 0 ? -1 : !scalar;
}

// What the kernels will make of obj decides, not what it says of itself: an
// object with an `ndim` of 1 that numpy still wraps whole would come back
// here cell by cell without end.
int array_has_cells(PyObject *obj) {
  if (PyList_Check(obj) || PyTuple_Check(obj) || PyArray_Check(obj)) return 1;
  const int sparse = is_sparse(obj);
  if (sparse != 0) return sparse;
  Ref arr(reinterpret_cast<PyObject *>(np_asarray(obj)));
  if (!arr) return -1;
  return PyArray_NDIM(reinterpret_cast<PyArrayObject *>(arr.get())) > 0;
}

// ---- Element mapping ----------------------------------------------------------------

namespace {

// Cells of numpy.asarray(a) (so a list of numbers keeps numpy's common
// type), in a private object array.
PyObject *private_cells(PyObject *a) {
  Ref arr(reinterpret_cast<PyObject *>(np_asarray(a)));
  return arr ? np_object_copy(arr.get()) : nullptr;
}

}  // namespace

// op(cell, b) for every cell of asarray(arr), the cell on the left, into an
// object array of asarray(arr)'s shape. As numpy.vectorize without output
// types, an input without cells is refused.
PyObject *npmap2(binaryfunc op, PyObject *arr, PyObject *b) {
  Ref cells(private_cells(arr));
  if (!cells) return nullptr;
  PyArrayObject *c = reinterpret_cast<PyArrayObject *>(cells.get());
  const npy_intp n = PyArray_SIZE(c);
  if (n == 0) {
    PyErr_SetString(PyExc_ValueError,
                    "cannot call `vectorize` on size 0 inputs unless `otypes` is set");
    return nullptr;
  }
  Ref out(PyArray_Empty(PyArray_NDIM(c), PyArray_DIMS(c), PyArray_DescrFromType(NPY_OBJECT), 0));
  if (!out) return nullptr;
  PyObject **from = static_cast<PyObject **>(PyArray_DATA(c));
  PyObject **to =
      static_cast<PyObject **>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(out.get())));
  // A cell whose operator comes back here (an array inside an array) nests
  // once per level: bounded like any Python recursion.
  if (Py_EnterRecursiveCall(" in an element-wise operation")) return nullptr;
  for (npy_intp i = 0; i < n; i++) {
    PyObject *value = op(from[i] ? from[i] : Py_None, b);
    if (!value) {
      Py_LeaveRecursiveCall();
      return nullptr;
    }
    Py_XSETREF(to[i], value);
  }
  Py_LeaveRecursiveCall();
  return out.release();
}

PyObject *npadd(PyObject *arr, PyObject *b) { return npmap2(PyNumber_Add, arr, b); }
PyObject *npmul(PyObject *arr, PyObject *b) { return npmap2(PyNumber_Multiply, arr, b); }

// ---- Kernels --------------------------------------------------------------------------

namespace {

// _np.<ufunc>(a, b), wrapped by new of type.
PyObject *ufunc_wrapped(PyTypeObject *type, const char *ufunc, PyObject *a, PyObject *b) {
  Ref fn(np_attr(ufunc));
  if (!fn) return nullptr;
  if (Py_EnterRecursiveCall(" in an element-wise operation")) return nullptr;
  Ref r(PyObject_CallFunctionObjArgs(fn.get(), a, b, nullptr));
  Py_LeaveRecursiveCall();
  if (!r) return nullptr;
  return array_wrap(type, r.get());
}

const char *ufunc_name(ElemOp op) { return op == ElemOp::add ? "add" : "multiply"; }

// The cells of arr combined with b, wrapped by new of type.
PyObject *mapped(PyTypeObject *type, ElemOp op, PyObject *arr, PyObject *b) {
  Ref r(npmap2(op == ElemOp::add ? PyNumber_Add : PyNumber_Multiply, arr, b));
  if (!r) return nullptr;
  return array_wrap(type, r.get());
}

}  // namespace

PyObject *scalar_with_cells(PyTypeObject *type, ElemOp op, PyObject *s, PyObject *a) {
  return mapped(type, op, a, s);
}

PyObject *array_with_number(PyTypeObject *type, ElemOp op, PyObject *m, double d) {
  Ref b(PyFloat_FromDouble(d));
  if (!b) return nullptr;
  return ufunc_wrapped(type, ufunc_name(op), array_field(m), b.get());
}

PyObject *array_with_cells(PyTypeObject *type, ElemOp op, PyObject *m, PyObject *a) {
  return ufunc_wrapped(type, ufunc_name(op), a, array_field(m));
}

PyObject *array_with_scalar(PyTypeObject *type, ElemOp op, PyObject *m, PyObject *s) {
  return mapped(type, op, array_field(m), s);
}

PyObject *array_with_array(PyTypeObject *type, ElemOp op, PyObject *m, PyObject *n) {
  return ufunc_wrapped(type, ufunc_name(op), array_field(m), array_field(n));
}

namespace {

// Unary minus: the element array times the int -1.
PyObject *negated(PyTypeObject *type, PyObject *m) {
  Ref minus_one(PyLong_FromLong(-1));
  if (!minus_one) return nullptr;
  return ufunc_wrapped(type, "multiply", array_field(m), minus_one.get());
}
}  // namespace

PyObject *mv_neg(PyObject *m) { return negated(&MLinExpr_Type, m); }
PyObject *ml_neg(PyObject *m) { return negated(&MLinExpr_Type, m); }
PyObject *mq_neg(PyObject *m) { return negated(&MQuadExpr_Type, m); }

// ---- Dispatchers ------------------------------------------------------------------------

namespace {

// Rows by the right operand's kind, as in the scalar dispatchers; two array
// objects go to the kernel of the higher kind, that operand first. No
// product of degree above two.
constexpr KernelRow mv_add_row = {LinAdd::number,
                                  {LinAdd::cells, LinAdd::scalar, LinAdd::scalar, QuadAdd::scalar,
                                   LinAdd::array, swapped<LinAdd::array>, swapped<QuadAdd::array>}};
constexpr KernelRow ml_add_row = {LinAdd::number,
                                  {LinAdd::cells, LinAdd::scalar, LinAdd::scalar, QuadAdd::scalar,
                                   LinAdd::array, LinAdd::array, swapped<QuadAdd::array>}};
constexpr KernelRow mq_add_row = {
    QuadAdd::number,
    {QuadAdd::cells, QuadAdd::scalar, QuadAdd::scalar, QuadAdd::scalar, QuadAdd::array,
     QuadAdd::array, QuadAdd::array}};
constexpr KernelRow ml_mul_row = {
    LinMul::number,
    {LinMul::cells, QuadMul::scalar, QuadMul::scalar, nullptr, QuadMul::array, QuadMul::array}};
constexpr KernelRow mq_mul_row = {QuadMul::number, {QuadMul::cells}};

}  // namespace

PyObject *mv_add_o(PyObject *m, PyObject *b) { return dispatch_row(mv_add_row, "+", m, b); }
PyObject *ml_add_o(PyObject *m, PyObject *b) { return dispatch_row(ml_add_row, "+", m, b); }
PyObject *mq_add_o(PyObject *m, PyObject *b) { return dispatch_row(mq_add_row, "+", m, b); }
PyObject *ml_mul_o(PyObject *m, PyObject *b) { return dispatch_row(ml_mul_row, "*", m, b); }
PyObject *mq_mul_o(PyObject *m, PyObject *b) { return dispatch_row(mq_mul_row, "*", m, b); }

}  // namespace dz
