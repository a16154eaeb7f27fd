// QuadExpr: parallel term lists of coefficients and variable pairs plus a
// LinExpr for the linear terms and the constant.
#ifndef DIDAZODA_EXPR_QUADEXPR_H
#define DIDAZODA_EXPR_QUADEXPR_H

#include "expr/linexpr.h"

namespace dz {

// The three lists are exact List views owned by this object alone; lin_ is
// an exact LinExpr owned by it (getLinExpr() hands it out, so it can be
// edited from Python but never replaced). An object made without __init__
// is the zero expression. The sequence form of addTerms stores what it is
// given, lengths unchecked: every reader checks (QuadTerms).
struct QuadExprObject {
  PyObject_HEAD PyObject *coeffs_;  // List of coefficient objects (floats unless given otherwise)
  PyObject *vars1_;                 // List of Var
  PyObject *vars2_;                 // List of Var
  PyObject *lin_;                   // LinExpr
};

extern PyTypeObject QuadExpr_Type;

inline QuadExprObject *as_quadexpr(PyObject *o) { return reinterpret_cast<QuadExprObject *>(o); }
inline bool quadexpr_check(PyObject *o) { return PyObject_TypeCheck(o, &QuadExpr_Type); }

// Table of internal operations; self is a QuadExpr, expr a QuadExpr.
struct QuadExprOps {
  // Appends (coeff, first, second) unless coeff == 0, the variable of the
  // smaller index first (second first on equal indices).
  int (*addterm)(PyObject *self, double coeff, PyObject *first, PyObject *second);
  // Adds mult times expr (quadratic terms, linear terms, constant); nothing
  // when mult == 0. expr may be self.
  int (*addexpr)(PyObject *self, PyObject *expr, double mult);
};
extern QuadExprOps QuadExpr_ops;

// New exact QuadExpr objects: the zero expression; one taking over a share
// of each block, with nq quadratic and nl linear terms (released on
// failure); a copy sharing q's blocks (QuadExpr(q)).
PyObject *quadexpr_new();
PyObject *quadexpr_from_blocks(ListBlock *coeffs, ListBlock *vars1, ListBlock *vars2, int nq,
                               ListBlock *lin_coeffs, ListBlock *lin_vars, int nl, double constant);
PyObject *quadexpr_copy(PyObject *q);

// A snapshot of the quadratic terms; the linear part is read with LinTerms.
struct QuadTerms {
  ListSnap coeffs, vars1, vars2;
  int n = 0;
};
// -1 with ValueError when the three lists differ in length.
int quadexpr_terms(PyObject *q, QuadTerms &out);

}  // namespace dz

#endif
