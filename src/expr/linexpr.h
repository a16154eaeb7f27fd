// LinExpr: parallel term lists of coefficients and variables plus a
// constant.
#ifndef DIDAZODA_EXPR_LINEXPR_H
#define DIDAZODA_EXPR_LINEXPR_H

#include "expr/list.h"
#include "expr/terms.h"

namespace dz {

// coeffs_ and vars_ are exact List views owned by this object alone (an
// object made without __init__ has two empty ones); their blocks may be
// shared with other expressions. The lists are meant to be of equal length,
// but every reader checks (LinTerms), since their items can be reached from
// Python through the pickling protocol.
struct LinExprObject {
  PyObject_HEAD PyObject *coeffs_;  // List of floats
  PyObject *vars_;                  // List of Var
  double constant_;
};

extern PyTypeObject LinExpr_Type;

inline LinExprObject *as_linexpr(PyObject *o) { return reinterpret_cast<LinExprObject *>(o); }
inline bool linexpr_check(PyObject *o) { return PyObject_TypeCheck(o, &LinExpr_Type); }

// Table of internal operations; self is a LinExpr, expr a LinExpr.
struct LinExprOps {
  // Appends (coeff, var) unless coeff == 0 (a NaN is appended).
  int (*addterm)(PyObject *self, double coeff, PyObject *var);
  // Appends mult times every term of expr and adds mult times its
  // constant; nothing at all when mult == 0. expr may be self.
  int (*addexpr)(PyObject *self, PyObject *expr, double mult);
};
extern LinExprOps LinExpr_ops;

// New exact LinExpr objects: empty; taking over one share of each block,
// whose first n items become the terms (the shares are released on
// failure); and a copy of e sharing its blocks (LinExpr(e)).
PyObject *linexpr_new();
PyObject *linexpr_from_blocks(ListBlock *coeffs, ListBlock *vars, int n, double constant);
PyObject *linexpr_copy(PyObject *e);

// A snapshot of a LinExpr's terms: items 0 .. n-1 of both stay as they are
// while it is held. Readers use it instead of the fields.
struct LinTerms {
  ListSnap coeffs, vars;
  double constant = 0.0;
  int n = 0;
};
// -1 with ValueError when the two lists differ in length.
int linexpr_terms(PyObject *e, LinTerms &out);

// Python-level methods that QuadExpr and PsdExpr apply to their linear part.
int linexpr_addterms(PyObject *self, PyObject *coeffs, PyObject *vars);
int linexpr_addconstant(PyObject *self, PyObject *c);
int linexpr_clear(PyObject *self);
PyObject *linexpr_getvalue(PyObject *self);
// Appends the positions whose variable is var (remove(var)), ascending.
int linexpr_var_positions(PyObject *self, PyObject *var, Positions &out);
// Removes the terms at the given positions (ascending). 0 or -1.
int linexpr_remove_positions(PyObject *self, const Positions &p);
// self += other for a Var (a term of coefficient 1) or a LinExpr (its terms
// and constant): 1 when done, 0 when other is neither, -1 on error. What
// the expressions holding a linear part add to it in their +=.
int linexpr_add_operand(PyObject *self, PyObject *other);

}  // namespace dz

#endif
