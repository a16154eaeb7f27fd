#include "runtime/arraylike.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <numeric>

#include "runtime/globals.h"
#include "runtime/args.h"
#include "runtime/sizes.h"

namespace dz {

int is_instance_of(PyObject *obj, const char *global, const char *cls) {
  Ref type(global_attr(global, cls));
  return type ? PyObject_IsInstance(obj, type.get()) : -1;
}

int is_ndarray(PyObject *obj) {
  if (PyList_Check(obj) || PyTuple_Check(obj) || PyFloat_Check(obj) || PyLong_Check(obj)) return 0;
  return is_instance_of(obj, "_np", "ndarray");
}

int is_number_instance(PyObject *obj) { return is_instance_of(obj, "numbers", "Number"); }

int is_scalar(PyObject *obj) {
  if (PyFloat_Check(obj) || PyLong_Check(obj) || PyComplex_Check(obj)) return 1;
  if (PyUnicode_CheckExact(obj) || PyBytes_CheckExact(obj) || PyMemoryView_Check(obj)) return 1;
  if (PyArray_IsScalar(obj, Generic)) return 1;
  if (PyList_Check(obj) || PyTuple_Check(obj) || PyDict_Check(obj) || obj == Py_None ||
      PyArray_Check(obj))
    return 0;
  return is_number_instance(obj);
}

int is_sparse(PyObject *obj) {
  if (PyList_Check(obj) || PyTuple_Check(obj) || PyArray_Check(obj)) return 0;
  Ref issparse(sp_attr("issparse"));
  if (!issparse) return -1;
  Ref answer(PyObject_CallFunctionObjArgs(issparse.get(), obj, nullptr));
  return answer ? PyObject_IsTrue(answer.get()) : -1;
}

int is_zero_dim(PyObject *obj) {
  if (PyFloat_Check(obj) || PyLong_Check(obj) || PyUnicode_Check(obj) || PyBytes_Check(obj))
    return 1;
  if (PyList_Check(obj) || PyTuple_Check(obj)) return 0;
  if (PyArray_Check(obj)) return PyArray_NDIM(reinterpret_cast<PyArrayObject *>(obj)) == 0;
  if (PyArray_IsAnyScalar(obj)) return 1;
  Ref ndim(np_attr("ndim"));
  if (!ndim) return -1;
  Ref nd(PyObject_CallFunctionObjArgs(ndim.get(), obj, nullptr));
  if (!nd) return -1;
  Ref zero(PyLong_FromLong(0));
  if (!zero) return -1;
  return PyObject_RichCompareBool(nd.get(), zero.get(), Py_EQ);
}

PyArrayObject *np_asarray(PyObject *obj) {
  return reinterpret_cast<PyArrayObject *>(PyArray_FromAny(obj, nullptr, 0, 0, 0, nullptr));
}

namespace {

PyObject *row_major(PyObject *obj, PyArray_Descr *descr, int more_flags) {
  int flags = NPY_ARRAY_C_CONTIGUOUS | NPY_ARRAY_ALIGNED | more_flags;
  if (descr) flags |= NPY_ARRAY_FORCECAST;
  return PyArray_FromAny(obj, descr, 0, 0, flags, nullptr);
}

}  // namespace

PyArrayObject *np_row_major(PyObject *obj, PyArray_Descr *descr) {
  return reinterpret_cast<PyArrayObject *>(row_major(obj, descr, 0));
}

PyObject *np_private_copy(PyObject *obj, PyArray_Descr *descr) {
  return row_major(obj, descr, NPY_ARRAY_ENSURECOPY);
}

PyObject *np_object_copy(PyObject *obj) {
  PyArray_Descr *descr = PyArray_DescrFromType(NPY_OBJECT);
  return descr ? np_private_copy(obj, descr) : nullptr;
}

namespace {

// attr of obj as a 1-D aligned C-ordered array of typenum (any safe cast).
PyObject *sparse_part(PyObject *obj, const char *attr, int typenum) {
  Ref part(PyObject_GetAttrString(obj, attr));
  if (!part) return nullptr;
  return PyArray_FromAny(part.get(), PyArray_DescrFromType(typenum), 1, 1,
                         NPY_ARRAY_C_CONTIGUOUS | NPY_ARRAY_ALIGNED, nullptr);
}

// The data of obj as a 1-D float64 array: any real dtype converts, as
// float() converts each value (long double included); a complex or object
// array only by a safe cast, so a value float() refuses is never dropped.
PyObject *sparse_values(PyObject *obj) {
  Ref part(PyObject_GetAttrString(obj, "data"));
  if (!part) return nullptr;
  int flags = NPY_ARRAY_C_CONTIGUOUS | NPY_ARRAY_ALIGNED;
  if (PyArray_Check(part.get())) {
    const char kind = PyArray_DESCR(reinterpret_cast<PyArrayObject *>(part.get()))->kind;
    if (kind == 'b' || kind == 'i' || kind == 'u' || kind == 'f') flags |= NPY_ARRAY_FORCECAST;
  }
  return PyArray_FromAny(part.get(), PyArray_DescrFromType(NPY_FLOAT64), 1, 1, flags, nullptr);
}

int bad_sparse(const char *what) {
  PyErr_Format(PyExc_ValueError, "invalid sparse matrix: %s", what);
  return -1;
}

// The two dimensions of obj.shape as 32-bit ints; -1 with an exception.
int shape_dims(PyObject *obj, int *rows, int *cols) {
  Ref shape(PyObject_GetAttrString(obj, "shape"));
  if (!shape || check_matrix_shape(shape.get()) < 0) return -1;
  Ref r(PySequence_GetItem(shape.get(), 0));
  if (!r) return -1;
  Ref c(PySequence_GetItem(shape.get(), 1));
  if (!c) return -1;
  const Py_ssize_t nr = PyNumber_AsSsize_t(r.get(), PyExc_OverflowError);
  if (nr == -1 && PyErr_Occurred()) return -1;
  const Py_ssize_t nc = PyNumber_AsSsize_t(c.get(), PyExc_OverflowError);
  if (nc == -1 && PyErr_Occurred()) return -1;
  if (nr < 0 || nc < 0) return bad_sparse("a negative dimension");
  return int_size(nr, rows) && int_size(nc, cols) ? 0 : -1;
}

const std::int64_t *int64_data(PyObject *a) {
  return static_cast<const std::int64_t *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(a)));
}

npy_intp length(PyObject *a) { return PyArray_SIZE(reinterpret_cast<PyArrayObject *>(a)); }

// Compressed rows (by_row) or columns from their three arrays.
int read_compressed(PyObject *matrix, bool by_row, SparseEntries &out) {
  Ref ptr(sparse_part(matrix, "indptr", NPY_INT64));
  if (!ptr) return -1;
  Ref idx(sparse_part(matrix, "indices", NPY_INT64));
  if (!idx) return -1;
  Ref val(sparse_values(matrix));
  if (!val) return -1;
  const int major = by_row ? out.rows : out.cols, minor = by_row ? out.cols : out.rows;
  if (length(ptr.get()) != major + 1) return bad_sparse("index pointer of the wrong length");
  const std::int64_t *p = int64_data(ptr.get()), *ix = int64_data(idx.get());
  const double *v =
      static_cast<const double *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(val.get())));
  const npy_intp nnz = std::min(length(idx.get()), length(val.get()));
  for (npy_intp k = 0; k <= major; k++)
    if (p[k] < 0 || p[k] > nnz || (k > 0 && p[k] < p[k - 1]))
      return bad_sparse("index pointer not non-decreasing within the entries");
  const std::int64_t used = p[major];
  for (std::int64_t k = p[0]; k < used; k++)
    if (ix[k] < 0 || ix[k] >= minor) return bad_sparse("an index outside its dimension");
  const std::size_t n = to_size(used - p[0]);
  out.row.resize(n);
  out.col.resize(n);
  out.val.resize(n);
  std::size_t at = 0;
  for (int m = 0; m < major; m++) {
    for (std::int64_t k = p[m]; k < p[m + 1]; k++, at++) {
      (by_row ? out.row : out.col)[at] = m;
      if (!int_size(ix[k], &(by_row ? out.col : out.row)[at])) return -1;
      out.val[at] = v[k];
    }
  }
  return 0;
}

int read_coordinates(PyObject *coo, SparseEntries &out) {
  Ref row(sparse_part(coo, "row", NPY_INT64));
  if (!row) return -1;
  Ref col(sparse_part(coo, "col", NPY_INT64));
  if (!col) return -1;
  Ref val(sparse_values(coo));
  if (!val) return -1;
  const npy_intp n = length(val.get());
  if (length(row.get()) != n || length(col.get()) != n)
    return bad_sparse("coordinate arrays of unequal length");
  const std::int64_t *r = int64_data(row.get()), *c = int64_data(col.get());
  const double *v =
      static_cast<const double *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(val.get())));
  out.row.resize(to_size(n));
  out.col.resize(to_size(n));
  out.val.assign(v, v + n);
  for (std::size_t k = 0; k < out.row.size(); k++) {
    if (r[k] < 0 || r[k] >= out.rows || c[k] < 0 || c[k] >= out.cols)
      return bad_sparse("an index outside its dimension");
    if (!int_size(r[k], &out.row[k]) || !int_size(c[k], &out.col[k])) return -1;
  }
  return 0;
}

}  // namespace

int check_matrix_shape(PyObject *shape) {
  const Py_ssize_t sides = PyObject_Size(shape);
  if (sides < 0) return -1;
  if (sides == 2) return 0;
  Ref shown(PySequence_Tuple(shape));
  if (!shown) return -1;
  PyErr_Format(PyExc_ValueError, "expect a 2-D matrix, got shape %R", shown.get());
  return -1;
}

void sum_repeats(SparseEntries &e) {
  const std::size_t n = e.val.size();
  const auto at = [&e](std::size_t k) { return std::int64_t{e.row[k]} * e.cols + e.col[k]; };
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), std::size_t{0});
  // Stable: within a position the first stored entry leads and the others
  // are added in storage order.
  std::stable_sort(order.begin(), order.end(),
                   [&at](std::size_t a, std::size_t b) { return at(a) < at(b); });
  std::vector<char> repeat(n, 0);
  bool any = false;
  for (std::size_t s = 0, k = 1; k < n; k++) {
    if (at(order[k]) != at(order[s])) {
      s = k;
      continue;
    }
    e.val[order[s]] += e.val[order[k]];
    repeat[order[k]] = 1;
    any = true;
  }
  if (any) e.remove_if([&repeat](std::size_t k) { return repeat[k] != 0; });
}

int read_sparse(PyObject *matrix, SparseEntries &out, Repeats repeats) {
  if (shape_dims(matrix, &out.rows, &out.cols) < 0) return -1;
  Ref format(PyObject_GetAttrString(matrix, "format"));
  if (!format) return -1;
  const bool csr =
      PyUnicode_Check(format.get()) && PyUnicode_CompareWithASCIIString(format.get(), "csr") == 0;
  const bool csc =
      PyUnicode_Check(format.get()) && PyUnicode_CompareWithASCIIString(format.get(), "csc") == 0;
  const bool coo =
      PyUnicode_Check(format.get()) && PyUnicode_CompareWithASCIIString(format.get(), "coo") == 0;
  try {
    int read;
    if (csr || csc) {
      read = read_compressed(matrix, csr, out);
    } else if (coo) {
      read = read_coordinates(matrix, out);
    } else {
      Ref converted(PyObject_CallMethod(matrix, "tocoo", nullptr));
      if (!converted) return -1;
      read = read_coordinates(converted.get(), out);
    }
    if (read == 0 && repeats == Repeats::sum) sum_repeats(out);
    return read;
  } catch (const std::bad_alloc &) {
    PyErr_NoMemory();
    return -1;
  }
}

PyObject *sparse_to_dense(PyObject *matrix) {
  SparseEntries e;
  if (read_sparse(matrix, e, Repeats::keep) < 0) return nullptr;
  npy_intp dims[2] = {e.rows, e.cols};
  PyObject *dense = PyArray_ZEROS(2, dims, NPY_FLOAT64, 0);
  if (!dense) return nullptr;
  double *d = static_cast<double *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(dense)));
  for (std::size_t k = 0; k < e.val.size(); k++)
    d[npy_intp{e.row[k]} * e.cols + e.col[k]] += e.val[k];
  return dense;
}

}  // namespace dz
