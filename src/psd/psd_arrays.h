// Coefficient matrices to the solver library's flat entries, for
// Model.addPsdVar, semidefinite rows and the semidefinite objective.
//
// Entry (r, c) of a matrix with n columns travels as the row-major position
// r * n + c with its value; only non-zero entries go, unsymmetrised, in the
// order of the walk (row by row for an ndarray, the COO order for a sparse
// matrix). The library assembles the symmetric matrix from them: a later
// entry wins at a position and its mirror. The walk counts the entries it
// writes, so what is sent is exactly what was found, whatever numpy would
// count (duplicate COO positions, object arrays whose elements compare with
// 0 in their own way).
#ifndef DIDAZODA_PSD_PSD_ARRAYS_H
#define DIDAZODA_PSD_PSD_ARRAYS_H

#include <vector>

#include "model/model.h"

namespace dz {

// Flat entries; std::vector failures become MemoryError.
class MatrixEntries {
 public:
  bool push(int position, double value);
  int size() const { return static_cast<int>(pos_.size()); }
  const int *positions() const { return pos_.data(); }
  const double *values() const { return val_.data(); }

 private:
  std::vector<int> pos_;
  std::vector<double> val_;
};

// Appends the non-zero entries of matrix: an ndarray (walked in row-major
// order; a value is tested with != 0 and converted with float(), in C for
// boolean, integer and floating dtypes) or anything with tocoo(). A
// position beyond 32 bits is OverflowError. 0 or -1.
int append_matrix_entries(PyObject *matrix, MatrixEntries &out);

// The matrix terms of a PsdExpr by PsdVar, ascending by index: the handle
// and one matrix standing for all its terms. A variable's only term keeps
// its coefficient as given; several are summed as the symmetric matrices
// they stand for (_restore_symmat), since a plain sum of differently
// triangled coefficients would stand for another matrix than their terms.
// Every PsdVar must belong to mdl (TarvexError otherwise). 0 or -1.
struct PsdGroup {
  int index = 0;
  Ref var, matrix;
};
int psd_groups(PyObject *expr, TVXmodel *mdl, std::vector<PsdGroup> &out);

}  // namespace dz

#endif
