// TempConstr: a constraint not yet in a model, in normal form: an
// expression with optional sides, or an indicator pair.
#ifndef DIDAZODA_EXPR_TEMPCONSTR_H
#define DIDAZODA_EXPR_TEMPCONSTR_H

#include "module/classes.h"

namespace dz {

// Fields are never NULL (None when empty) and never type-checked: restored
// pickled state can put anything in them, so readers test what they find.
//   upper      e <= r        expr_ e - r   lhs_ None  rhs_ 0
//   lower      e >= l        expr_ e - l   lhs_ 0     rhs_ None
//   range      e == [l, u]   expr_ e       lhs_ l     rhs_ u
//   equality   e == r        expr_ e - r   lhs_ 0     rhs_ 0
//   indicator  c >> k        expr_ None    lhs_ c     rhs_ k (TempConstr both)
struct TempConstrObject {
  PyObject_HEAD PyObject *lhs_;
  PyObject *rhs_;
  PyObject *expr_;
};

extern PyTypeObject TempConstr_Type;

inline TempConstrObject *as_tempconstr(PyObject *o) {
  return reinterpret_cast<TempConstrObject *>(o);
}
inline bool tempconstr_check(PyObject *o) { return PyObject_TypeCheck(o, &TempConstr_Type); }

// TempConstr.new(expr, lhs, rhs): a new TempConstr in normal form. The
// subtraction is the operands' own; TypeError "range constraint requires
// numeric values" when both sides are given and not both numbers.
PyObject *tempconstr_new(PyObject *expr, PyObject *lhs, PyObject *rhs);

// Table of internal operations; self is a TempConstr. Each returns a new
// reference or NULL with an exception.
struct TempConstrOps {
  PyObject *(*getExpr)(PyObject *self);
  PyObject *(*getLhs)(PyObject *self);
  PyObject *(*getRhs)(PyObject *self);
  // The tuple (binvar, binval, expr, lhs, rhs) of an indicator pair whose
  // condition is one binary variable == 0 or 1 and whose consequent is
  // linear; ValueError or TypeError otherwise.
  PyObject *(*parseIndicator)(PyObject *self);
};
extern TempConstrOps TempConstr_ops;

}  // namespace dz

#endif
