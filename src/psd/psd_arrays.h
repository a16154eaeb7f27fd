// Coefficient matrices to the solver library's flat entries, for
// Model.addPsdVar, semidefinite rows and the semidefinite objective.
//
// Entry (r, c) of a matrix with n columns travels as the row-major position
// r * n + c with its value; only non-zero entries go, unsymmetrised, in the
// order of the walk (row by row for an ndarray, storage order for a sparse
// matrix). The library assembles the symmetric matrix from them: a later
// entry wins at a position and its mirror. So entries that a sparse matrix
// stores at one position, which stand for their sum, are summed here first.
// The walk counts the entries it writes, so what is sent is exactly what
// was found, whatever numpy would count (object arrays whose elements
// compare with 0 in their own way).
#ifndef DIDAZODA_PSD_PSD_ARRAYS_H
#define DIDAZODA_PSD_PSD_ARRAYS_H

#include <vector>

#include "model/model.h"
#include "runtime/arraylike.h"

namespace dz {

// The non-zero entries of a coefficient matrix: an ndarray's row by row (a
// value tested with != 0 and converted with float(), in C for boolean,
// integer and floating dtypes), a sparse matrix's in storage order with the
// entries at one position summed into the first of them. Anything but a 2-D
// matrix is the ValueError of check_matrix_shape; a Var, PsdVar or
// expression in an object array is a TypeError naming its position. 0 or -1.
int coefficient_entries(PyObject *matrix, SparseEntries &out);

// Appends e's entries as flat positions and values; a position beyond 32
// bits is OverflowError. May throw std::bad_alloc. 0 or -1.
int append_flat(const SparseEntries &e, std::vector<int> &pos, std::vector<double> &val);

// The symmetric matrix that entries stand for, as the library assembles it:
// each entry in order sets (r, c) and (c, r), a later one winning; the
// positions in the order they were first set. May throw std::bad_alloc.
void symmetrise(SparseEntries &e);

// A scipy coo_matrix of e's entries and shape. New reference.
PyObject *coo_of(const SparseEntries &e);

// The matrix terms of a PsdExpr by PsdVar, ascending by index: the handle,
// one matrix standing for all its terms and that matrix's entries. A
// variable's only term keeps its coefficient as given; several are summed
// as the symmetric matrices they stand for, since a plain sum of
// differently triangled coefficients would stand for another matrix than
// their terms. Every coefficient is read here, before the caller changes
// anything. Every PsdVar must belong to mdl (TarvexError otherwise). 0 or
// -1.
struct PsdGroup {
  int index = 0;
  Ref var, matrix;
  SparseEntries entries;
};
int psd_groups(PyObject *expr, TVXmodel *mdl, std::vector<PsdGroup> &out);

}  // namespace dz

#endif
