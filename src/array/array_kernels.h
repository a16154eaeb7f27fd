// The seam between the scalar operator dispatch and the array classes: the
// array-like test, and every kernel and dispatcher that takes an array-like
// operand or an MVar, MLinExpr or MQuadExpr. Names follow <left>_<op>_<right>
// with the kind letters n (number, as a double), a (array-like), v (Var),
// l (LinExpr), q (QuadExpr), mv, ml, mq (the array classes) and o (any).
//
// Every function returns a new reference, or NULL with an exception, and
// changes neither operand. Results are new MLinExpr or MQuadExpr objects
// whose class the kernel fixes, whatever the cells hold.
#ifndef DIDAZODA_ARRAY_KERNELS_H
#define DIDAZODA_ARRAY_KERNELS_H

#include "runtime/ref.h"

namespace dz {

// is_arraylike(obj, sparse): false for every Operand; for a scipy sparse
// matrix or array the value of sparse; true for an object with an attribute
// __array_priority__ (a failing lookup counts as absent); otherwise
// not numpy.isscalar(obj). 1 or 0; -1 only when numpy itself fails.
int is_arraylike(PyObject *obj, bool sparse = false);

// 1 when an array-like operand has cells the kernels can combine: a list, a
// tuple, an ndarray, a sparse matrix, or anything numpy turns into an array
// of at least one dimension. 0 for objects numpy only wraps whole into a
// zero-dimensional object array (None, a dict, a set, a handle, a plain
// object): combining those cell by cell would hand the same object back to
// the scalar dispatch forever. -1 with numpy's exception.
int array_has_cells(PyObject *obj);

// op(cell, b) for every cell of numpy.asarray(arr) (cell on the left), into
// a new object array of that shape; ValueError for an input without cells.
PyObject *npmap2(binaryfunc op, PyObject *arr, PyObject *b);
PyObject *npadd(PyObject *arr, PyObject *b);
PyObject *npmul(PyObject *arr, PyObject *b);

// How an element-wise kernel combines: numpy's add or multiply.
enum class ElemOp { add, mul };

// The element-wise kernels, into a new object of type (MLinExpr or
// MQuadExpr, as the kernel's kinds fix it), over the cells of:
// a scalar operand s with an array-like a (cells of a on the left);
// an array class m with a number d, with an array-like a (cells of a on
// the left), with a scalar operand s, and with another array class n.
PyObject *scalar_with_cells(PyTypeObject *type, ElemOp op, PyObject *s, PyObject *a);
PyObject *array_with_number(PyTypeObject *type, ElemOp op, PyObject *m, double d);
PyObject *array_with_cells(PyTypeObject *type, ElemOp op, PyObject *m, PyObject *a);
PyObject *array_with_scalar(PyTypeObject *type, ElemOp op, PyObject *m, PyObject *s);
PyObject *array_with_array(PyTypeObject *type, ElemOp op, PyObject *m, PyObject *n);

// The same with the result class and the operation fixed, as entries of the
// dispatch rows. Sums give MLinExpr unless an operand is quadratic; products
// of two non-constant operands give MQuadExpr; two array classes go the
// higher kind first (m ** 2 passes one object twice).
template <PyTypeObject *Type, ElemOp Op>
struct ElemKernels {
  static PyObject *scalar_cells(PyObject *s, PyObject *a) {
    return scalar_with_cells(Type, Op, s, a);
  }
  static PyObject *number(PyObject *m, double d) { return array_with_number(Type, Op, m, d); }
  static PyObject *cells(PyObject *m, PyObject *a) { return array_with_cells(Type, Op, m, a); }
  static PyObject *scalar(PyObject *m, PyObject *s) { return array_with_scalar(Type, Op, m, s); }
  static PyObject *array(PyObject *m, PyObject *n) { return array_with_array(Type, Op, m, n); }
};
extern PyTypeObject MLinExpr_Type, MQuadExpr_Type;
using LinAdd = ElemKernels<&MLinExpr_Type, ElemOp::add>;
using QuadAdd = ElemKernels<&MQuadExpr_Type, ElemOp::add>;
using LinMul = ElemKernels<&MLinExpr_Type, ElemOp::mul>;
using QuadMul = ElemKernels<&MQuadExpr_Type, ElemOp::mul>;

// Dispatchers with an array class on the left (b: any object).
PyObject *mv_add_o(PyObject *m, PyObject *b);
PyObject *ml_add_o(PyObject *m, PyObject *b);
PyObject *mq_add_o(PyObject *m, PyObject *b);
PyObject *ml_mul_o(PyObject *m, PyObject *b);
PyObject *mq_mul_o(PyObject *m, PyObject *b);

// Matrix products: a an array-like (dense or sparse) times an array class X;
// an array class times b.
PyObject *a_matmul_o(PyObject *a, PyObject *X);
PyObject *mv_matmul_o(PyObject *m, PyObject *b);
PyObject *ml_matmul_o(PyObject *m, PyObject *b);
PyObject *mq_matmul_o(PyObject *m, PyObject *b);

// Unary minus: MLinExpr.new(A * -1) (MQuadExpr.new for mq), A the element
// array.
PyObject *mv_neg(PyObject *m);
PyObject *ml_neg(PyObject *m);
PyObject *mq_neg(PyObject *m);

}  // namespace dz

#endif
