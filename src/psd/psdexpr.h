// PsdExpr: parallel term lists of coefficient matrices and PsdVar handles
// plus a LinExpr for the linear terms and the constant. A term stands for
// the inner product of its matrix, symmetrised as the solver library
// assembles it (see _restore_symmat), with the PsdVar's matrix.
#ifndef DIDAZODA_PSD_PSDEXPR_H
#define DIDAZODA_PSD_PSDEXPR_H

#include "expr/linexpr.h"

namespace dz {

// coeffs_ and vars_ are exact List views owned by this object alone; lin_
// is an exact LinExpr owned by it (getLinExpr() hands it out, so it can be
// edited from Python but never replaced). An object made without __init__
// is the zero expression. Matrices are held as given, never copied or
// changed: scaling and negation put new matrices in place of old ones.
struct PsdExprObject {
  PyObject_HEAD PyObject *coeffs_;  // List of matrices (ndarray, sparse, or any with a shape)
  PyObject *vars_;                  // List of PsdVar
  PyObject *lin_;                   // LinExpr
};

extern PyTypeObject PsdExpr_Type;

inline PsdExprObject *as_psdexpr(PyObject *o) { return reinterpret_cast<PsdExprObject *>(o); }
inline bool psdexpr_check(PyObject *o) { return PyObject_TypeCheck(o, &PsdExpr_Type); }

// Table of internal operations; self and expr are PsdExprs.
struct PsdExprOps {
  // Appends the term (coeff, var) after testing that coeff is a square 2-D
  // matrix as large as var's Dim.
  int (*addterm)(PyObject *self, PyObject *coeff, PyObject *var);
  // Appends mult times every term of expr (each matrix replaced by
  // mult * M unless mult is 1) and adds mult times its linear part. expr
  // may be self.
  int (*addexpr)(PyObject *self, PyObject *expr, double mult);
  // The symmetric matrix a coefficient stands for, as a coo_matrix of its
  // shape: its non-zero entries in order (entries stored at one position
  // summed), each setting M[r, c] and M[c, r], a later one winning. New
  // reference.
  PyObject *(*restore_symmat)(PyObject *matrix);
};
extern PsdExprOps PsdExpr_ops;

// A new exact PsdExpr sharing e's term lists and holding a copy of its
// linear part (PsdExpr(e)).
PyObject *psdexpr_copy(PyObject *e);

// A snapshot of the matrix terms; the linear part is read with LinTerms.
struct PsdTerms {
  ListSnap coeffs, vars;
  int n = 0;
};
// -1 with ValueError when the two lists differ in length.
int psdexpr_terms(PyObject *e, PsdTerms &out);

// The number protocol and comparisons (psdexpr_ops.cpp), installed by the
// class set-up; and the text (psdexpr_value.cpp).
void psdexpr_set_operators(PyTypeObject *type);
extern PyMethodDef psdexpr_reflected_methods[];
PyObject *psdexpr_str(PyObject *self);
PyObject *psdexpr_getvalue(PyObject *self);
PyObject *psdexpr_restore_symmat(PyObject *matrix);

// What the operators use of the class (psdexpr.cpp).
PyObject *psdexpr_iadd(PyObject *self, PyObject *other);
PyObject *psdexpr_isub(PyObject *self, PyObject *other);
PyObject *psdexpr_imul(PyObject *self, PyObject *other);

}  // namespace dz

#endif
