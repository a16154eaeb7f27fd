// Column: the coefficients of one variable in existing constraints, as two
// parallel lists of terms. Model.addVar reads it, Model.getCol fills one.
#ifndef DIDAZODA_MODEL_COLUMN_H
#define DIDAZODA_MODEL_COLUMN_H

#include "runtime/ref.h"

namespace dz {

extern PyTypeObject Column_Type;

// Term k is (coeffs_[k], constrs_[k]). Both fields are None until __init__
// ran, then lists. The methods keep them of equal length holding Python
// floats and Constr handles, but Python code can reach the lists (through
// __reduce__), so a reader checks lengths and element types before use.
struct ColumnObject {
  PyObject_HEAD PyObject *coeffs_;
  PyObject *constrs_;
};

inline ColumnObject *as_column(PyObject *o) { return reinterpret_cast<ColumnObject *>(o); }
// A Column or an instance of a subclass.
inline bool column_check(PyObject *o) { return PyObject_TypeCheck(o, &Column_Type); }

// A new empty Column (of the class Column itself); NULL with an exception.
PyObject *column_new();

// Appends to column (a Column) the term (float(coeff), constr), as addTerms
// does with one number:
// TarvexError "Expect a constr" when constr is no Constr, the float()
// conversion's error after that; nothing is appended on failure. 0 or -1.
int column_add_term(PyObject *column, PyObject *coeff, PyObject *constr);

}  // namespace dz

#endif
