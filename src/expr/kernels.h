// Scalar arithmetic kernels, named <left>_<op>_<right> with the kind letters
// n (a number, passed as a double), v (Var), l (LinExpr) and q (QuadExpr),
// and the accumulator behind every scalar sum and quicksum.
//
// Kernels read their operands and return a new object (NULL with an
// exception); the result may share term blocks with an operand. Terms are
// never merged, sorted or cancelled. The dispatch hands each kernel
// operands of its kinds, in the order of its name.
#ifndef DIDAZODA_EXPR_KERNELS_H
#define DIDAZODA_EXPR_KERNELS_H

#include "expr/list.h"

namespace dz {

// Sums: the terms of the first argument, then those of the second, and the
// sum of the constants. The v and l forms give a LinExpr, the q forms a
// QuadExpr (also without quadratic terms).
PyObject *v_add_n(PyObject *v, double n);
PyObject *l_add_n(PyObject *l, double n);
PyObject *q_add_n(PyObject *q, double n);
PyObject *v_add_v(PyObject *a, PyObject *b);
PyObject *l_add_v(PyObject *l, PyObject *v);
PyObject *l_add_l(PyObject *a, PyObject *b);
PyObject *q_add_v(PyObject *q, PyObject *v);
PyObject *q_add_l(PyObject *q, PyObject *l);
PyObject *q_add_q(PyObject *a, PyObject *b);

// Products. v_mul_n is LinExpr(n, v); l_mul_n and q_mul_n scale every
// coefficient and the constant (an empty expression for n == 0); v_mul_v,
// l_mul_v and l_mul_l give a QuadExpr whose quadratic terms put the
// variable of the smaller index first and drop zero coefficients.
PyObject *v_mul_n(PyObject *v, double n);
PyObject *l_mul_n(PyObject *l, double n);
PyObject *q_mul_n(PyObject *q, double n);
PyObject *v_mul_v(PyObject *a, PyObject *b);
PyObject *l_mul_v(PyObject *l, PyObject *v);
PyObject *l_mul_l(PyObject *a, PyObject *b);

// a - b for operands of the exact classes Var and LinExpr: what a + (-b)
// gives (the same terms in the same order, coefficients made alike), without
// making -b as an expression of its own.
PyObject *exact_sub(PyObject *a, PyObject *b);

// The accumulator of every sum: appends each item's terms, as stored and in
// order, and keeps the constant in a double. Items are QuadExpr, LinExpr,
// Var (the term 1.0 * v) or numbers.
//
// A term list still empty takes a share of the first item's block instead of
// a copy when that item's view reaches the end of its block: its later terms
// are appended behind the item's, where no other view looks. So a left fold
// (((a + b) + c) + ...) costs time linear in its terms, not quadratic.
class SumAccumulator {
 public:
  // -1 with TypeError "bad type for quicksum: {}" for any other item, or
  // ValueError for an expression whose term lists differ in length.
  int add(PyObject *item);
  void add_constant(double c) { constant_ += c; }
  // Appends items 0 .. n-1 of both blocks as terms and adds the constant.
  int add_terms(ListBlock *coeffs, ListBlock *vars, int n, double constant);
  // A QuadExpr when as_quad or when a quadratic term was added, else the
  // LinExpr of the linear terms. The accumulator is spent afterwards.
  PyObject *finish(bool as_quad);

 private:
  // A block (none until needed: a sum sharing its operand's lists, or one
  // without quadratic terms, allocates none of its own) and the number of
  // its leading items that are this sum's terms.
  struct Part {
    BlockRef block;
    int size = 0;
    int own();  // a block whose items end with this sum's
    int append(PyObject *item);
    int extend(const ListObject *view);
    int extend(ListBlock *src, int n);  // the first n items of src
    ListBlock *take();                  // the share handed to the result
  };

  int add_var(PyObject *v);
  int add_lin(PyObject *e);
  int add_quad(PyObject *q);

  Part coeffs_, vars1_, vars2_, lin_coeffs_, lin_vars_;
  double constant_ = 0.0;
};

// _quicksum(li): li walked once (exact lists and tuples by position, any
// other iterable through iteration).
PyObject *quicksum_of(PyObject *li);

}  // namespace dz

#endif
