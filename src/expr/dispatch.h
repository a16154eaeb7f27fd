// Operator dispatch of Operand: the operator bodies, which pick a dispatcher
// by the kind of the left operand, and the scalar dispatchers <left>_<op>_o,
// which pick a kernel by the kind of the right operand.
//
// Kinds are tested in one fixed order: number, array-like, Var, LinExpr,
// QuadExpr, MVar, MLinExpr, MQuadExpr; an operand takes the first kind whose
// (instance) test it passes. Nothing here answers NotImplemented: an
// unserved pairing raises TypeError naming both types. Every function
// returns a new reference, or NULL with an exception, and changes neither
// operand.
#ifndef DIDAZODA_EXPR_DISPATCH_H
#define DIDAZODA_EXPR_DISPATCH_H

#include "runtime/args.h"
#include "runtime/ref.h"

namespace dz {

enum OperandKind {
  KIND_ERROR = -1,  // the test itself raised
  KIND_NUMBER,
  KIND_ARRAY,
  KIND_VAR,
  KIND_LIN,
  KIND_QUAD,
  KIND_MVAR,
  KIND_MLIN,
  KIND_MQUAD,
  KIND_NONE,
};

// The kind of an operand. An array-like that has no cells to combine (see
// array_has_cells) counts as KIND_NONE, so it is refused instead of being
// handed to the array kernels, which would pass it back here without end.
OperandKind operand_kind(PyObject *o);

// The kind of the other operand of a matrix product: KIND_ARRAY for every
// array-like, scipy sparse matrices and numpy scalars included (numpy's
// own product judges those), else the class kinds; a Python number is no
// operand of @. numpy never hands a cell back to @, so no cells test.
OperandKind matmul_kind(PyObject *o);

// Bodies: a is the Operand on the left (self), b any object.
PyObject *operand_add(PyObject *a, PyObject *b);
PyObject *operand_sub(PyObject *a, PyObject *b);
PyObject *operand_mul(PyObject *a, PyObject *b);
PyObject *operand_truediv(PyObject *a, PyObject *b);
PyObject *operand_pow(PyObject *a, PyObject *b);
PyObject *operand_neg(PyObject *a);
PyObject *operand_matmul(PyObject *a, PyObject *b);
// b @ a for b not an Operand.
PyObject *operand_rmatmul(PyObject *a, PyObject *b);
// a <= b, a >= b, a == b: a TempConstr; a != b: a bool.
PyObject *operand_le(PyObject *a, PyObject *b);
PyObject *operand_ge(PyObject *a, PyObject *b);
PyObject *operand_eq(PyObject *a, PyObject *b);
PyObject *operand_ne(PyObject *a, PyObject *b);

// a.__add__(b) and a.__mul__(b), looked up on the object, so that a
// subclass's override runs.
PyObject *call_add(PyObject *a, PyObject *b);
PyObject *call_mul(PyObject *a, PyObject *b);

// Scalar dispatchers, left operand of the kind its letter names.
PyObject *v_add_o(PyObject *v, PyObject *b);
PyObject *l_add_o(PyObject *l, PyObject *b);
PyObject *q_add_o(PyObject *q, PyObject *b);
PyObject *v_mul_o(PyObject *v, PyObject *b);
PyObject *l_mul_o(PyObject *l, PyObject *b);
PyObject *q_mul_o(PyObject *q, PyObject *b);
PyObject *mv_mul_o(PyObject *m, PyObject *b);

// TypeError "unsupported operand type(s) for <op>: `A` and `B`" with the
// type names of a and b. Returns nullptr.
PyObject *raise_unsupported_operands(const char *op, PyObject *a, PyObject *b);

// The kernels of one left operand under one operator, by the right
// operand's kind: `number` for KIND_NUMBER, by_kind[k - KIND_ARRAY] for the
// others; null where the pairing is unserved.
struct KernelRow {
  PyObject *(*number)(PyObject *, double);
  binaryfunc by_kind[KIND_NONE - KIND_ARRAY];
};

// A kernel written with the operands the other way round, as a row entry.
template <binaryfunc F>
PyObject *swapped(PyObject *a, PyObject *b) {
  return F(b, a);
}

// The number kernel with b as float(b) computes it.
inline PyObject *number_kernel(PyObject *(*kernel)(PyObject *, double), PyObject *a, PyObject *b) {
  double d;
  if (!float_of(b, &d)) return nullptr;
  return kernel(a, d);
}

// a <op> b by the kernel of row for b's kind. Inline: with a constant row
// the loads fold away, as fast as a switch over the kinds.
inline PyObject *dispatch_row(const KernelRow &row, const char *op, PyObject *a, PyObject *b) {
  const OperandKind k = operand_kind(b);
  if (k == KIND_ERROR) return nullptr;
  if (k == KIND_NUMBER) {
    if (row.number) return number_kernel(row.number, a, b);
  } else if (k != KIND_NONE) {
    const binaryfunc kernel = row.by_kind[k - KIND_ARRAY];
    if (kernel) return kernel(a, b);
  }
  return raise_unsupported_operands(op, a, b);
}

}  // namespace dz

#endif
