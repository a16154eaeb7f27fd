// The attribute engine, writing half: value normalisation, the typed value
// arrays and the five typed writers, one library call per write.
#include <cstdint>
#include <vector>

#include "callbacks/context.h"
#include "model/attrs.h"
#include "runtime/args.h"
#include "module/tarvex_error.h"
#include "runtime/arraylike.h"
#include "module/numpy_helpers.h"
#include "runtime/sizes.h"
#include "runtime/utf8.h"

namespace dz {

namespace {

using attr::char_descr;
using attr::Resolved;

inline PyArrayObject *as_array(PyObject *o) { return reinterpret_cast<PyArrayObject *>(o); }

// The values given for n elements are not n.
PyObject *wrong_count(const Resolved &r, int n, Py_ssize_t given) {
  return attr::wrong_count(r.name, n, given, "element");
}

PyObject *not_a_matrix() {
  PyErr_SetString(PyExc_ValueError, "Expect a numpy 2d-array or scipy sparse matrix");
  return nullptr;
}

// Arrays become nested lists (a 0-d array its scalar), sparse matrices the
// lists of their dense form; at element level a lone scalar stands for every
// element. elements is nullptr at model level.
PyObject *normalise(PyObject *values, PyObject *elements) {
  // Lists and tuples, what handles and most callers pass, are neither.
  if (PyList_CheckExact(values) || PyTuple_CheckExact(values)) {
    return new_ref(values);
  }
  if (PyArray_Check(values)) return PyObject_CallMethod(values, "tolist", nullptr);
  int sparse = is_sparse(values);
  if (sparse < 0) return nullptr;
  if (sparse) {
    Ref dense(sparse_to_dense(values));
    if (!dense) return nullptr;
    return PyObject_CallMethod(dense.get(), "tolist", nullptr);
  }
  if (elements) {
    int scalar = is_scalar(values);
    if (scalar < 0) return nullptr;
    if (scalar) {
      Py_ssize_t n = PyObject_Size(elements);
      if (n < 0) return nullptr;
      Ref list(PyList_New(n));
      if (!list) return nullptr;
      for (Py_ssize_t i = 0; i < n; i++) {
        Py_INCREF(values);
        PyList_SET_ITEM(list.get(), i, values);
      }
      return list.release();
    }
  }
  return new_ref(values);
}

// numpy.array(seq, dtype=descr), C-ordered. Steals descr.
PyObject *typed_array(PyObject *seq, PyArray_Descr *descr) {
  if (!descr) return nullptr;
  return reinterpret_cast<PyObject *>(np_row_major(seq, descr));
}

// The element-level value array: numpy.array([v for v in values], dtype).
// Steals descr.
PyObject *element_values(PyObject *values, PyArray_Descr *descr) {
  Ref held(reinterpret_cast<PyObject *>(descr));
  Ref items(PySequence_List(values));
  if (!items) return nullptr;
  return typed_array(items.get(), reinterpret_cast<PyArray_Descr *>(held.release()));
}

// The model-level value array's first entry: numpy.array([value], dtype).flat[0],
// as an array kept alive by the caller. Steals descr.
PyObject *model_value(PyObject *value, PyArray_Descr *descr) {
  Ref held(reinterpret_cast<PyObject *>(descr));
  Ref wrapped(one_item_list(value));
  if (!wrapped) return nullptr;
  Ref arr(typed_array(wrapped.get(), reinterpret_cast<PyArray_Descr *>(held.release())));
  if (!arr) return nullptr;
  if (PyArray_SIZE(as_array(arr.get())) < 1) {
    PyErr_SetString(PyExc_IndexError, "index 0 is out of bounds for axis 0 with size 0");
    return nullptr;
  }
  return arr.release();
}

PyObject *status(int rc) {
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  Py_RETURN_NONE;
}

// ---- Numeric and character values ----------------------------------------------

PyObject *write_char(TVXmodel *mdl, const Resolved &r, PyObject *elements, int n,
                     PyObject *values) {
  Ref arr(element_values(values, char_descr()));
  if (!arr) return nullptr;
  const npy_intp given = PyArray_SIZE(as_array(arr.get()));
  if (given != n) return wrong_count(r, n, given);
  if (n == 0) Py_RETURN_NONE;
  Ref index(attr::index_array(mdl, elements));
  if (!index) return nullptr;
  return status(TVXsetcharattrlist(mdl, r.c_name(), n, numpy_int_buffer(index.get()),
                                   numpy_char_buffer(arr.get())));
}

// A numeric type's writer: the model's one value, or one value per element.
template <typename T, int npy_type, T *(*buffer)(PyObject *),
          int (*write_one)(TVXmodel *, const char *, T),
          int (*write_list)(TVXmodel *, const char *, int, const int *, const T *)>
PyObject *write_number(TVXmodel *mdl, const Resolved &r, PyObject *elements, int n,
                       PyObject *values) {
  if (!elements) {
    Ref arr(model_value(values, PyArray_DescrFromType(npy_type)));
    if (!arr) return nullptr;
    return status(write_one(mdl, r.c_name(), buffer(arr.get())[0]));
  }
  Ref arr(element_values(values, PyArray_DescrFromType(npy_type)));
  if (!arr) return nullptr;
  const npy_intp given = PyArray_SIZE(as_array(arr.get()));
  if (given != n) return wrong_count(r, n, given);
  if (n == 0) Py_RETURN_NONE;
  Ref index(attr::index_array(mdl, elements));
  if (!index) return nullptr;
  return status(write_list(mdl, r.c_name(), n, numpy_int_buffer(index.get()), buffer(arr.get())));
}

constexpr auto write_int =
    write_number<int32_t, NPY_INT32, numpy_int_buffer, TVXsetintattr, TVXsetintattrlist>;
constexpr auto write_dbl =
    write_number<double, NPY_FLOAT64, numpy_double_buffer, TVXsetdblattr, TVXsetdblattrlist>;

// ---- Texts -----------------------------------------------------------------------

PyObject *write_str(TVXmodel *mdl, const Resolved &r, PyObject *elements, int n, PyObject *values) {
  if (!elements) {
    Ref arr(model_value(values, PyArray_DescrFromType(NPY_OBJECT)));
    if (!arr) return nullptr;
    Ref first(PyArray_GETITEM(as_array(arr.get()), static_cast<char *>(numpy_flat(arr.get(), 0))));
    if (!first) return nullptr;
    Ref text(str2chars(first.get()));
    if (!text) return nullptr;
    return status(TVXsetstrattr(mdl, r.c_name(), PyBytes_AS_STRING(text.get())));
  }
  Ref arr(element_values(values, PyArray_DescrFromType(NPY_OBJECT)));
  if (!arr) return nullptr;
  const npy_intp given =
      PyArray_NDIM(as_array(arr.get())) < 1 ? 1 : PyArray_DIM(as_array(arr.get()), 0);
  if (given != n) return wrong_count(r, n, given);
  if (n == 0) Py_RETURN_NONE;
  // Every encoded text stays alive until the library has returned.
  std::vector<Ref> texts(to_size(n));
  Buffer<const char *> pointers;
  if (!pointers.allocate(n)) return nullptr;
  Py_ssize_t i = 0;
  for (Ref &text : texts) {
    Ref item(PySequence_GetItem(arr.get(), i));
    if (!item) return nullptr;
    text = Ref(str2chars(item.get()));
    if (!text) return nullptr;
    pointers[i++] = PyBytes_AS_STRING(text.get());
  }
  Ref index(attr::index_array(mdl, elements));
  if (!index) return nullptr;
  return status(
      TVXsetstrattrlist(mdl, r.c_name(), n, numpy_int_buffer(index.get()), pointers.get()));
}

// ---- Matrices ----------------------------------------------------------------------

// One matrix value as counted: its shape and its entries, from the one
// object the filling pass reads again.
struct MatrixItem {
  int rows = 0, cols = 0;
  SparseEntries sparse;  // a sparse value's entries, repeats summed
  Ref data;              // a dense value as a C-ordered float64 matrix; unset when sparse
  npy_intp count = 0;
};

bool shape_entry(PyObject *shape, Py_ssize_t axis, int *out) {
  Ref v(PySequence_GetItem(shape, axis));
  return v && as_int32(v.get(), out);
}

bool count_matrix(PyObject *item, MatrixItem &m) {
  // The shape is read from the value as given, before any conversion.
  Ref shape(PyObject_GetAttrString(item, "shape"));
  if (!shape) return false;
  const Py_ssize_t sides = PyObject_Size(shape.get());
  if (sides < 0) return false;
  if (sides != 2) return not_a_matrix(), false;
  if (!shape_entry(shape.get(), 0, &m.rows) || !shape_entry(shape.get(), 1, &m.cols)) return false;
  if (m.rows < 0 || m.cols < 0) {
    not_a_matrix();
    return false;
  }
  int sparse = is_sparse(item);
  if (sparse < 0) return false;
  if (sparse) {
    // Read once, checked, without scipy's compiled conversions: the entries
    // counted are the entries written. A matrix with repeated positions
    // stands for their sums, which the library (a later entry wins) would
    // not make of them.
    if (read_sparse(item, m.sparse, Repeats::sum) < 0) return false;
    if (m.sparse.rows != m.rows || m.sparse.cols != m.cols) {
      PyErr_SetString(PyExc_ValueError, "sparse matrix entry outside its shape");
      return false;
    }
    m.count = py_size(m.sparse.val);
    return true;
  }
  Ref dense(reinterpret_cast<PyObject *>(np_asarray(item)));
  if (!dense) return false;
  PyArrayObject *d = as_array(dense.get());
  // Its positions 0 .. size-1 must lie in the shape the library is told.
  if (PyArray_NDIM(d) != 2 || PyArray_DIM(d, 0) != m.rows || PyArray_DIM(d, 1) != m.cols) {
    not_a_matrix();
    return false;
  }
  m.data = Ref(typed_array(dense.get(), PyArray_DescrFromType(NPY_FLOAT64)));
  if (!m.data) return false;
  m.count = PyArray_SIZE(as_array(m.data.get()));
  return true;
}

PyObject *write_mat(TVXmodel *mdl, const Resolved &r, PyObject *elements, int n, PyObject *values) {
  Py_ssize_t len = PyObject_Size(values);
  if (len < 0) return nullptr;
  if (len != n) return wrong_count(r, n, len);
  if (n == 0) Py_RETURN_NONE;
  // All items are held first: converting one may run code that changes values.
  std::vector<Ref> items(to_size(n));
  Py_ssize_t at = 0;
  for (Ref &item : items)
    if (!(item = Ref(PySequence_GetItem(values, at++)))) return nullptr;
  std::vector<MatrixItem> matrices(items.size());
  npy_intp total = 0;
  int nnz = 0;
  for (std::size_t i = 0; i < items.size(); i++) {
    if (!count_matrix(items[i].get(), matrices[i])) return nullptr;
    total += matrices[i].count;
    if (!int_size(total, &nnz)) return nullptr;
  }
  Buffer<int> beg, rows, cols, pos;
  Buffer<double> val;
  if (!beg.allocate(n) || !rows.allocate(n) || !cols.allocate(n) || !pos.allocate(nnz) ||
      !val.allocate(nnz))
    return nullptr;
  int k = 0;
  for (int i = 0; i < n; i++) {
    const MatrixItem &m = matrices[to_size(i)];
    beg[i] = k;
    rows[i] = m.rows;
    cols[i] = m.cols;
    if (!m.data) {
      const SparseEntries &e = m.sparse;
      for (std::size_t j = 0; j < e.val.size(); j++, k++) {
        if (!int_size(std::int64_t{e.row[j]} * m.cols + e.col[j], &pos[k])) return nullptr;
        val[k] = e.val[j];
      }
    } else {
      const double *data = static_cast<double *>(PyArray_DATA(as_array(m.data.get())));
      int count = 0;
      if (!int_size(m.count, &count)) return nullptr;
      for (int j = 0; j < count; j++, k++) {
        pos[k] = j;
        val[k] = data[j];
      }
    }
  }
  Ref index(attr::index_array(mdl, elements));
  if (!index) return nullptr;
  return status(TVXsetmatattrlist(mdl, r.c_name(), n, numpy_int_buffer(index.get()), nnz, beg.get(),
                                  rows.get(), cols.get(), pos.get(), val.get()));
}

}  // namespace

PyObject *model_setattr(TVXmodel *mdl, PyObject *name, const char *kind, PyObject *elements,
                        PyObject *values) {
  if (!edit_allowed(mdl)) return nullptr;
  Resolved r;
  if (!attr::resolve(mdl, name, kind, r)) return nullptr;
  const bool model = !elements || elements == Py_None;
  // Character attributes exist per element only; matrices too.
  if (model && r.datatype == TVX_ATTRTYPE_CHAR) return attr::does_not_exist(name);
  if (model && r.datatype == TVX_ATTRTYPE_MAT) return attr::does_not_exist(r.canonical.get());
  // The elements are held as a list; the writers read their indices from it
  // after converting every value, as a conversion may run Python code that
  // changes the model.
  Ref items;
  int n = 0;
  if (!model) {
    items = Ref(PySequence_List(elements));
    if (!items || !int_size(PyList_GET_SIZE(items.get()), &n)) return nullptr;
  }
  Ref v(normalise(values, items.get()));
  if (!v) return nullptr;
  switch (r.datatype) {
    case TVX_ATTRTYPE_CHAR:
      return write_char(mdl, r, items.get(), n, v.get());
    case TVX_ATTRTYPE_INT:
      return write_int(mdl, r, items.get(), n, v.get());
    case TVX_ATTRTYPE_DBL:
      return write_dbl(mdl, r, items.get(), n, v.get());
    case TVX_ATTRTYPE_STR:
      return write_str(mdl, r, items.get(), n, v.get());
    default:
      return write_mat(mdl, r, items.get(), n, v.get());
  }
}

}  // namespace dz
