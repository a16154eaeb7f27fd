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

// Scalar operand with an array-like: element-wise over a's cells.
PyObject *v_add_a(PyObject *v, PyObject *a);
PyObject *l_add_a(PyObject *l, PyObject *a);
PyObject *q_add_a(PyObject *q, PyObject *a);
PyObject *v_mul_a(PyObject *v, PyObject *a);
PyObject *l_mul_a(PyObject *l, PyObject *a);
PyObject *q_mul_a(PyObject *q, PyObject *a);

// Array class with a number, and with an array-like (cells of a on the left).
PyObject *mv_add_n(PyObject *m, double d);
PyObject *ml_add_n(PyObject *m, double d);
PyObject *mq_add_n(PyObject *m, double d);
PyObject *ml_mul_n(PyObject *m, double d);
PyObject *mq_mul_n(PyObject *m, double d);
PyObject *mv_add_a(PyObject *m, PyObject *a);
PyObject *ml_add_a(PyObject *m, PyObject *a);
PyObject *mq_add_a(PyObject *m, PyObject *a);
PyObject *ml_mul_a(PyObject *m, PyObject *a);
PyObject *mq_mul_a(PyObject *m, PyObject *a);

// Array class first, then a scalar operand.
PyObject *mv_add_v(PyObject *m, PyObject *v);
PyObject *mv_add_l(PyObject *m, PyObject *l);
PyObject *mv_add_q(PyObject *m, PyObject *q);
PyObject *ml_add_v(PyObject *m, PyObject *v);
PyObject *ml_add_l(PyObject *m, PyObject *l);
PyObject *ml_add_q(PyObject *m, PyObject *q);
PyObject *mq_add_v(PyObject *m, PyObject *v);
PyObject *mq_add_l(PyObject *m, PyObject *l);
PyObject *mq_add_q(PyObject *m, PyObject *q);
PyObject *mv_mul_n(PyObject *m, double d);
PyObject *mv_mul_a(PyObject *m, PyObject *a);
PyObject *mv_mul_v(PyObject *m, PyObject *v);
PyObject *mv_mul_l(PyObject *m, PyObject *l);
PyObject *ml_mul_v(PyObject *m, PyObject *v);
PyObject *ml_mul_l(PyObject *m, PyObject *l);

// Two array classes, the higher kind first (m ** 2 passes one object twice).
PyObject *mv_add_mv(PyObject *m, PyObject *n);
PyObject *ml_add_mv(PyObject *m, PyObject *n);
PyObject *ml_add_ml(PyObject *m, PyObject *n);
PyObject *mq_add_mv(PyObject *m, PyObject *n);
PyObject *mq_add_ml(PyObject *m, PyObject *n);
PyObject *mq_add_mq(PyObject *m, PyObject *n);
PyObject *mv_mul_mv(PyObject *m, PyObject *n);
PyObject *ml_mul_mv(PyObject *m, PyObject *n);
PyObject *ml_mul_ml(PyObject *m, PyObject *n);

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
