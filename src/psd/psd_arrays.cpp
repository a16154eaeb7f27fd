#include "psd/psd_arrays.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <unordered_map>
#include <utility>

#include "expr/expr_util.h"
#include "model/handles.h"
#include "module/classes.h"
#include "runtime/globals.h"
#include "psd/psdexpr.h"
#include "runtime/args.h"
#include "runtime/sizes.h"

namespace dz {

namespace {

PyArrayObject *as_array(PyObject *a) { return reinterpret_cast<PyArrayObject *>(a); }

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

// A Var, PsdVar or expression: never a coefficient, whatever it answers to
// != 0 (a Var's comparison with 0 is false, so the walk would skip it).
bool is_model_term(PyObject *x) {
  return PyObject_TypeCheck(x, Operand_class.type) || handle_check(x, &PsdVar_Type) ||
         psdexpr_check(x);
}

int raise_model_term(int r, int c, PyObject *x) {
  Ref name(type_name(x));
  if (!name) return -1;
  PyErr_Format(PyExc_TypeError, "entry (%d, %d) of the coefficient matrix is a %S, not a number", r,
               c, name.get());
  return -1;
}

int dense_entries(PyObject *matrix, SparseEntries &out) {
  Ref held(reinterpret_cast<PyObject *>(np_asarray(matrix)));
  if (!held) return -1;
  Ref shape(PyObject_GetAttrString(held.get(), "shape"));
  if (!shape || check_matrix_shape(shape.get()) < 0) return -1;
  PyArrayObject *h = as_array(held.get());
  if (!int_size(PyArray_DIM(h, 0), &out.rows) || !int_size(PyArray_DIM(h, 1), &out.cols)) return -1;
  const auto take = [&out](int r, int c, double value) {
    out.row.push_back(r);
    out.col.push_back(c);
    out.val.push_back(value);
  };
  if (converts_in_c(h)) {
    Ref doubles(
        reinterpret_cast<PyObject *>(np_row_major(held.get(), PyArray_DescrFromType(NPY_DOUBLE))));
    if (!doubles) return -1;
    PyArrayObject *a = as_array(doubles.get());
    const double *v = static_cast<const double *>(PyArray_DATA(a));
    for (int r = 0; r < out.rows; r++)
      for (int c = 0; c < out.cols; c++, v++)
        if (*v != 0) take(r, c, *v);
    return 0;
  }
  Ref same(reinterpret_cast<PyObject *>(np_row_major(held.get(), nullptr)));
  if (!same) return -1;
  PyArrayObject *a = as_array(same.get());
  Ref zero(PyLong_FromLong(0));
  if (!zero) return -1;
  const npy_intp step = PyArray_ITEMSIZE(a);
  char *data = static_cast<char *>(PyArray_DATA(a));
  for (int r = 0; r < out.rows; r++) {
    for (int c = 0; c < out.cols; c++, data += step) {
      Ref x(PyArray_GETITEM(a, data));
      if (!x) return -1;
      if (is_model_term(x.get())) return raise_model_term(r, c, x.get());
      const int nonzero = PyObject_RichCompareBool(x.get(), zero.get(), Py_NE);
      if (nonzero < 0) return -1;
      if (!nonzero) continue;
      double value;
      if (!float_of(x.get(), &value)) return -1;
      take(r, c, value);
    }
  }
  return 0;
}

// Keeps the entries whose value is not zero (NaN stays), in order.
void drop_zeros(SparseEntries &e) {
  e.remove_if([&e](std::size_t k) { return e.val[k] == 0; });
}

// The symmetric matrix that the coefficient of one term stands for.
int symmetric_entries(PyObject *matrix, SparseEntries &out) {
  if (coefficient_entries(matrix, out) < 0) return -1;
  symmetrise(out);
  return 0;
}

}  // namespace

int coefficient_entries(PyObject *matrix, SparseEntries &out) {
  const int dense = is_ndarray(matrix);
  if (dense < 0) return -1;
  out = SparseEntries();
  try {
    if (dense) return dense_entries(matrix, out);
    if (read_sparse(matrix, out, Repeats::sum) < 0) return -1;
    drop_zeros(out);
  } catch (const std::bad_alloc &) {
    PyErr_NoMemory();
    return -1;
  }
  return 0;
}

int append_flat(const SparseEntries &e, std::vector<int> &pos, std::vector<double> &val) {
  for (std::size_t k = 0; k < e.val.size(); k++) {
    int p = 0;
    if (!int_size(std::int64_t{e.row[k]} * e.cols + e.col[k], &p)) return -1;
    pos.push_back(p);
    val.push_back(e.val[k]);
  }
  return 0;
}

void symmetrise(SparseEntries &e) {
  SparseEntries s;
  s.rows = e.rows;
  s.cols = e.cols;
  std::unordered_map<std::uint64_t, std::size_t> slot;
  const auto set = [&s, &slot](int r, int c, double v) {
    const std::uint64_t key = static_cast<std::uint64_t>(static_cast<std::uint32_t>(r)) << 32 |
                              static_cast<std::uint32_t>(c);
    const auto found = slot.emplace(key, s.val.size());
    if (!found.second) {
      s.val[found.first->second] = v;
      return;
    }
    s.row.push_back(r);
    s.col.push_back(c);
    s.val.push_back(v);
  };
  for (std::size_t k = 0; k < e.val.size(); k++) {
    set(e.row[k], e.col[k], e.val[k]);
    set(e.col[k], e.row[k], e.val[k]);
  }
  e = std::move(s);
}

PyObject *coo_of(const SparseEntries &e) {
  npy_intp n = py_size(e.val);
  Ref rows(PyArray_SimpleNew(1, &n, NPY_INT32)), cols(PyArray_SimpleNew(1, &n, NPY_INT32));
  Ref vals(PyArray_SimpleNew(1, &n, NPY_FLOAT64));
  if (!rows || !cols || !vals) return nullptr;
  std::copy(e.row.begin(), e.row.end(), static_cast<int *>(PyArray_DATA(as_array(rows.get()))));
  std::copy(e.col.begin(), e.col.end(), static_cast<int *>(PyArray_DATA(as_array(cols.get()))));
  std::copy(e.val.begin(), e.val.end(), static_cast<double *>(PyArray_DATA(as_array(vals.get()))));
  Ref coo(sp_attr("coo_matrix"));
  if (!coo) return nullptr;
  Ref args(Py_BuildValue("((O(OO)))", vals.get(), rows.get(), cols.get()));
  Ref kwargs(Py_BuildValue("{s(ii)}", "shape", e.rows, e.cols));
  if (!args || !kwargs) return nullptr;
  return PyObject_Call(coo.get(), args.get(), kwargs.get());
}

int psd_groups(PyObject *expr, TVXmodel *mdl, std::vector<PsdGroup> &out) {
  PsdTerms t;
  if (psdexpr_terms(expr, t) < 0) return -1;
  std::vector<std::pair<int, int>> order;  // (PsdVar index, term)
  try {
    order.reserve(to_size(t.n));
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
        if (coefficient_entries(g.matrix.get(), g.entries) < 0) return -1;
      } else {
        SparseEntries term;
        for (std::size_t k = s; k < e; k++) {
          if (symmetric_entries(t.coeffs.at(order[k].second), term) < 0) return -1;
          // Changed in place since it was added, a coefficient may no longer
          // fit the others.
          if (k > s && (term.rows != g.entries.rows || term.cols != g.entries.cols)) {
            PyErr_SetString(PyExc_ValueError, "coefficient has different dim from psd variable");
            return -1;
          }
          g.entries.rows = term.rows;
          g.entries.cols = term.cols;
          g.entries.row.insert(g.entries.row.end(), term.row.begin(), term.row.end());
          g.entries.col.insert(g.entries.col.end(), term.col.begin(), term.col.end());
          g.entries.val.insert(g.entries.val.end(), term.val.begin(), term.val.end());
        }
        sum_repeats(g.entries);
        drop_zeros(g.entries);
        g.matrix = Ref(coo_of(g.entries));
        if (!g.matrix) return -1;
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
