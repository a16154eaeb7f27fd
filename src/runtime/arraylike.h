// The numpy and scipy probes the module's arguments go through: what numpy
// would answer, found in C for the common types and through numpy otherwise.
// The module globals _np, _sp and numbers are looked up at each use, as the
// module's own code would see them.
#ifndef DIDAZODA_RUNTIME_ARRAYLIKE_H
#define DIDAZODA_RUNTIME_ARRAYLIKE_H

#include <vector>

#include "runtime/numpy_api.h"
#include "runtime/ref.h"

namespace dz {

// isinstance(obj, <module global>.<cls>): is_instance_of(obj, "_sp",
// "spmatrix"). 1, 0, or -1 with an exception.
int is_instance_of(PyObject *obj, const char *global, const char *cls);

// isinstance(obj, _np.ndarray). 1, 0, or -1 with an exception.
int is_ndarray(PyObject *obj);

// isinstance(obj, numbers.Number). 1, 0, or -1 with an exception.
int is_number_instance(PyObject *obj);

// numpy.isscalar(obj): a numpy scalar, an object of exactly int, float,
// complex, bool, bytes, str or memoryview, or any numbers.Number.
// 1, 0, or -1 with an exception.
int is_scalar(PyObject *obj);

// scipy.sparse.issparse(obj) (matrix and array forms). 1, 0, or -1.
int is_sparse(PyObject *obj);

// numpy.ndim(obj) == 0: one value, not a collection of values. 1, 0, or -1.
int is_zero_dim(PyObject *obj);

// numpy.asarray(obj): an array of any layout, obj itself when it is one.
// New reference, or nullptr with numpy's exception.
PyArrayObject *np_asarray(PyObject *obj);

// An aligned C-ordered array of obj's values, read in row-major order
// whatever obj's layout; with descr (stolen; may be nullptr to keep obj's
// type) the values are cast as numpy.array(obj, dtype) casts them.
// New reference, or nullptr with numpy's exception.
PyArrayObject *np_row_major(PyObject *obj, PyArray_Descr *descr);

// np_row_major(obj, descr) always copied: an array of the caller's own, that
// Python code run meanwhile (a cell's operator, say) cannot reach or change.
// New reference to the array, or nullptr with numpy's exception.
PyObject *np_private_copy(PyObject *obj, PyArray_Descr *descr);
// The same copy as an object array: obj's cells in row-major order.
PyObject *np_object_copy(PyObject *obj);

// 0 when shape (obj.shape) has two sides; otherwise -1 with ValueError
// "expect a 2-D matrix, got shape (3,)" or the error of len(). The one
// test of every reader of a matrix that has no text of its own for it.
int check_matrix_shape(PyObject *shape);

// The stored entries of a scipy sparse matrix or array, read without
// scipy's compiled routines: those trust the index arrays, which Python code
// can change after construction, and write wherever they point. CSR, CSC and
// COO are read from their own arrays and checked (index pointer
// non-decreasing within the entries, every index inside the shape); other
// formats go through their tocoo(), whose result is checked likewise.
// Entries keep their storage order (row-major for CSR, column-major for
// CSC, as stored for COO). Values become float64 (any real dtype; others
// only by a safe cast).
struct SparseEntries {
  int rows = 0, cols = 0;
  std::vector<int> row, col;
  std::vector<double> val;

  // Removes every entry k for which drop(k) holds (drop sees the entries as
  // they were), the others keeping their order.
  template <class Drop>
  void remove_if(Drop drop) {
    std::size_t kept = 0;
    for (std::size_t k = 0; k < val.size(); k++) {
      if (drop(k)) continue;
      row[kept] = row[k];
      col[kept] = col[k];
      val[kept] = val[k];
      kept++;
    }
    row.resize(kept);
    col.resize(kept);
    val.resize(kept);
  }
};
// Entries at one position stand for their sum. keep: each stays an entry
// of its own (what a product term by term needs); sum: the first of them
// carries the sum and the others go, the rest of the order unchanged.
enum class Repeats { keep, sum };
// 0, or -1 with ValueError "invalid sparse matrix: ...", the ValueError of
// check_matrix_shape, OverflowError for a dimension beyond 32 bits,
// MemoryError, or numpy's conversion error.
int read_sparse(PyObject *matrix, SparseEntries &out, Repeats repeats);

// Sums the entries of e that share a position into the first of them, as
// read_sparse does with Repeats::sum. May throw std::bad_alloc.
void sum_repeats(SparseEntries &e);

// The dense float64 array of a sparse matrix (duplicates summed), made from
// read_sparse's entries: what toarray() gives, safely. New reference.
PyObject *sparse_to_dense(PyObject *matrix);

}  // namespace dz

#endif
