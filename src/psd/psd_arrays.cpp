#include "psd/psd_arrays.h"

#include <algorithm>
#include <climits>
#include <new>
#include <utility>

#include "model/handles.h"
#include "psd/psdexpr.h"
#include "runtime/args.h"
#include "runtime/arraylike.h"

namespace dz {

bool MatrixEntries::push(int position, double value) {
  try {
    pos_.push_back(position);
    val_.push_back(value);
  } catch (const std::bad_alloc &) {
    if (pos_.size() > val_.size()) pos_.pop_back();
    PyErr_NoMemory();
    return false;
  }
  return true;
}

namespace {

bool position_of(long long p, int *out) {
  if (p < INT_MIN || p > INT_MAX) return raise_int32_overflow();
  *out = static_cast<int>(p);
  return true;
}

// Boolean, integer and floating dtypes convert in C; others (object,
// complex, text) element by element with Python's != 0 and float().
bool converts_in_c(PyArrayObject *a) {
  switch (PyArray_DESCR(a)->kind) {
    case 'b':
    case 'i':
    case 'u':
    case 'f':
      return true;
    default:
      return false;
  }
}

// Calls take(k, value) for the non-zero values of a, in row-major order.
template <class Take>
int walk_values(PyObject *values, Take take) {
  Ref held(reinterpret_cast<PyObject *>(np_asarray(values)));
  if (!held) return -1;
  if (converts_in_c(reinterpret_cast<PyArrayObject *>(held.get()))) {
    Ref doubles(
        reinterpret_cast<PyObject *>(np_row_major(held.get(), PyArray_DescrFromType(NPY_DOUBLE))));
    if (!doubles) return -1;
    PyArrayObject *a = reinterpret_cast<PyArrayObject *>(doubles.get());
    const double *v = static_cast<const double *>(PyArray_DATA(a));
    const npy_intp n = PyArray_SIZE(a);
    for (npy_intp k = 0; k < n; k++)
      if (v[k] != 0 && !take(k, v[k])) return -1;
    return 0;
  }
  Ref same(reinterpret_cast<PyObject *>(np_row_major(held.get(), nullptr)));
  if (!same) return -1;
  PyArrayObject *a = reinterpret_cast<PyArrayObject *>(same.get());
  Ref zero(PyLong_FromLong(0));
  if (!zero) return -1;
  const npy_intp n = PyArray_SIZE(a), step = PyArray_ITEMSIZE(a);
  char *data = static_cast<char *>(PyArray_DATA(a));
  for (npy_intp k = 0; k < n; k++) {
    Ref x(PyArray_GETITEM(a, data + k * step));
    if (!x) return -1;
    const int nonzero = PyObject_RichCompareBool(x.get(), zero.get(), Py_NE);
    if (nonzero < 0) return -1;
    if (!nonzero) continue;
    double value;
    if (!float_of(x.get(), &value) || !take(k, value)) return -1;
  }
  return 0;
}

// The int64 values of a coordinate array, row-major.
PyArrayObject *coordinates(PyObject *coo, const char *name) {
  Ref array(PyObject_GetAttrString(coo, name));
  if (!array) return nullptr;
  return np_row_major(array.get(), PyArray_DescrFromType(NPY_INT64));
}

int append_sparse(PyObject *matrix, MatrixEntries &out) {
  Ref coo(PyObject_CallMethod(matrix, "tocoo", nullptr));
  if (!coo) return -1;
  Ref shape(PyObject_GetAttrString(coo.get(), "shape"));
  if (!shape) return -1;
  Ref second(PySequence_GetItem(shape.get(), 1));
  int cols = 0;
  if (!second || !as_int32(second.get(), &cols)) return -1;
  Ref row(reinterpret_cast<PyObject *>(coordinates(coo.get(), "row")));
  if (!row) return -1;
  Ref col(reinterpret_cast<PyObject *>(coordinates(coo.get(), "col")));
  if (!col) return -1;
  Ref data(PyObject_GetAttrString(coo.get(), "data"));
  if (!data) return -1;
  const npy_intp n = PyArray_SIZE(reinterpret_cast<PyArrayObject *>(row.get()));
  if (PyArray_SIZE(reinterpret_cast<PyArrayObject *>(col.get())) != n) {
    PyErr_SetString(PyExc_ValueError, "sparse matrix with coordinate arrays of unequal length");
    return -1;
  }
  const auto *r =
      static_cast<const npy_int64 *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(row.get())));
  const auto *c =
      static_cast<const npy_int64 *>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(col.get())));
  return walk_values(data.get(), [&](npy_intp k, double value) {
    if (k >= n) {
      PyErr_SetString(PyExc_ValueError, "sparse matrix with coordinate arrays of unequal length");
      return false;
    }
    int p = 0;
    return position_of(static_cast<long long>(r[k]) * cols + c[k], &p) && out.push(p, value);
  });
}

}  // namespace

int append_matrix_entries(PyObject *matrix, MatrixEntries &out) {
  const int dense = is_ndarray(matrix);
  if (dense < 0) return -1;
  if (!dense) return append_sparse(matrix, out);
  return walk_values(matrix, [&](npy_intp k, double value) {
    int p = 0;
    return position_of(static_cast<long long>(k), &p) && out.push(p, value);
  });
}

int psd_groups(PyObject *expr, TVXmodel *mdl, std::vector<PsdGroup> &out) {
  PsdTerms t;
  if (psdexpr_terms(expr, t) < 0) return -1;
  std::vector<std::pair<int, int>> order;  // (PsdVar index, term)
  try {
    order.reserve(static_cast<std::size_t>(t.n));
    for (int k = 0; k < t.n; k++) {
      PyObject *var = t.vars.at(k);
      if (!handle_check(var, &PsdVar_Type)) {
        PyErr_Format(PyExc_TypeError, "expected a PsdVar in the terms, got %.200s",
                     Py_TYPE(var)->tp_name);
        return -1;
      }
      if (!handle_of_model(var, mdl)) return -1;
      order.push_back({handle_index(var), k});
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    out.clear();
    for (std::size_t s = 0; s < order.size();) {
      std::size_t e = s;
      while (e < order.size() && order[e].first == order[s].first) ++e;
      PsdGroup g;
      g.index = order[s].first;
      g.var = Ref::borrow(t.vars.at(order[s].second));
      if (e - s == 1) {
        g.matrix = Ref::borrow(t.coeffs.at(order[s].second));
      } else {
        for (std::size_t k = s; k < e; k++) {
          Ref sym(PsdExpr_ops.restore_symmat(t.coeffs.at(order[k].second)));
          if (!sym) return -1;
          g.matrix = g.matrix ? Ref(PyNumber_Add(g.matrix.get(), sym.get())) : std::move(sym);
          if (!g.matrix) return -1;
        }
      }
      out.push_back(std::move(g));
      s = e;
    }
  } catch (const std::bad_alloc &) {
    PyErr_NoMemory();
    return -1;
  }
  return 0;
}

}  // namespace dz
