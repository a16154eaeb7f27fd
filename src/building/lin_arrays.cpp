// Linear rows to the library's compressed-row arrays, and bounds stated
// against a whole expression to bounds of its terms. Every path that hands
// linear terms to the library comes through here.
#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <vector>

#include "building/building.h"
#include "expr/expr_util.h"
#include "expr/linexpr.h"
#include "model/handles.h"
#include "module/tarvex_error.h"
#include "module/state.h"

namespace dz {

PyObject *raise_foreign_var() { return raise_text("a variable of another model was given"); }

int term_var_index(PyObject *var, TVXmodel *mdl, int *index) {
  if (!handle_check(var, &Var_Type)) {
    PyErr_Format(PyExc_TypeError, "expected a Var in the terms, got %.200s", Py_TYPE(var)->tp_name);
    return -1;
  }
  if (handle_mdl(var) != mdl) {
    raise_foreign_var();
    return -1;
  }
  *index = handle_index(var);
  return 0;
}

TVXmodel *rows_live_model(ModelObject *m) {
  if (!m->owned_ || !m->mdl_ || !PyList_Check(m->constrlist_) || !PyList_Check(m->psdconstrlist_)) {
    raise_code(TVX_ERROR_INVALID_ARGUMENT);
    return nullptr;
  }
  return m->mdl_;
}

PyObject *tvx_constant(const char *name) {
  PyObject *tvx = module_global("TVX");  // borrowed
  return tvx ? PyObject_GetAttrString(tvx, name) : nullptr;
}

namespace {

struct FreeDeleter {
  void operator()(void *p) const { std::free(p); }
};
template <typename T>
using CArray = std::unique_ptr<T[], FreeDeleter>;

// malloc of exactly n entries (a zero-length request still gives a pointer
// the caller may free).
template <typename T>
CArray<T> c_array(std::size_t n) {
  CArray<T> a(static_cast<T *>(std::malloc(n > 0 ? n * sizeof(T) : 1)));
  if (!a) PyErr_NoMemory();
  return a;
}

struct Term {
  int index;
  double value;
};

}  // namespace

// Python code (a coefficient's __float__) runs only while the coefficients
// are converted, from snapshots that it cannot change; the variables'
// indices are read afterwards from handle fields, so they are the ones the
// library sees.
int model_linexprs2array(ModelObject *self, PyObject *exprs, int *nnz, int **beg, int **ind,
                         double **val) {
  Ref rows(PySequence_List(exprs));
  if (!rows) return -1;
  const Py_ssize_t n = PyList_GET_SIZE(rows.get());
  if (n > INT_MAX) {
    PyErr_SetString(PyExc_OverflowError, "value too large to convert to int");
    return -1;
  }
  std::unique_ptr<LinTerms[]> terms(new (std::nothrow) LinTerms[static_cast<std::size_t>(n)]);
  if (!terms && n > 0) {
    PyErr_NoMemory();
    return -1;
  }
  std::size_t total = 0;
  for (Py_ssize_t r = 0; r < n; r++) {
    PyObject *row = PyList_GET_ITEM(rows.get(), r);  // borrowed, held by rows
    if (!linexpr_check(row)) {
      PyErr_SetString(PyExc_TypeError, "Expect a LinExpr");
      return -1;
    }
    if (linexpr_terms(row, terms[r]) < 0) return -1;
    total += static_cast<std::size_t>(terms[r].n);
  }
  std::vector<Term> flat;
  try {
    flat.resize(total);
  } catch (...) {
    PyErr_NoMemory();
    return -1;
  }
  std::size_t at = 0;
  for (Py_ssize_t r = 0; r < n; r++) {
    for (int i = 0; i < terms[r].n; i++, at++) {
      if (!float_of(terms[r].coeffs.at(i), &flat[at].value)) return -1;
    }
  }
  TVXmodel *mdl = model_live_handle(reinterpret_cast<PyObject *>(self));
  if (!mdl) return -1;
  at = 0;
  for (Py_ssize_t r = 0; r < n; r++) {
    for (int i = 0; i < terms[r].n; i++, at++) {
      if (term_var_index(terms[r].vars.at(i), mdl, &flat[at].index) < 0) return -1;
    }
  }

  // Each row sorted by index (stable: equal variables summed in term order)
  // and merged in place.
  std::vector<int> starts(static_cast<std::size_t>(n));
  std::size_t out = 0, begin = 0;
  for (Py_ssize_t r = 0; r < n; r++) {
    const std::size_t end = begin + static_cast<std::size_t>(terms[r].n);
    std::stable_sort(flat.begin() + static_cast<std::ptrdiff_t>(begin),
                     flat.begin() + static_cast<std::ptrdiff_t>(end),
                     [](const Term &a, const Term &b) { return a.index < b.index; });
    if (out > static_cast<std::size_t>(INT_MAX)) {
      PyErr_SetString(PyExc_OverflowError, "value too large to convert to int");
      return -1;
    }
    starts[static_cast<std::size_t>(r)] = static_cast<int>(out);
    const std::size_t row_start = out;
    for (std::size_t k = begin; k < end; k++) {
      if (out > row_start && flat[out - 1].index == flat[k].index) {
        flat[out - 1].value += flat[k].value;
      } else {
        flat[out++] = flat[k];
      }
    }
    begin = end;
  }
  if (out > static_cast<std::size_t>(INT_MAX)) {
    PyErr_SetString(PyExc_OverflowError, "value too large to convert to int");
    return -1;
  }

  CArray<int> beg_out;
  if (beg && !(beg_out = c_array<int>(static_cast<std::size_t>(n)))) return -1;
  CArray<int> ind_out = c_array<int>(out);
  if (!ind_out) return -1;
  CArray<double> val_out = c_array<double>(out);
  if (!val_out) return -1;
  if (beg) std::copy(starts.begin(), starts.end(), beg_out.get());
  for (std::size_t k = 0; k < out; k++) {
    ind_out[k] = flat[k].index;
    val_out[k] = flat[k].value;
  }
  *nnz = static_cast<int>(out);
  if (beg) *beg = beg_out.release();
  *ind = ind_out.release();
  *val = val_out.release();
  return 0;
}

PyObject *model_dec_bound(ModelObject *, PyObject *bound, PyObject *constant) {
  if (bound == Py_None) Py_RETURN_NONE;
  Ref infinity(tvx_constant("INFINITY"));
  if (!infinity) return nullptr;
  // Exact floats are served in C; the result is the same Python would give.
  if (PyFloat_CheckExact(bound) && PyFloat_CheckExact(infinity.get()) &&
      PyFloat_CheckExact(constant)) {
    const double b = PyFloat_AS_DOUBLE(bound), inf = PyFloat_AS_DOUBLE(infinity.get());
    if (std::fabs(b) >= inf) return PyFloat_FromDouble(b >= 0 ? inf : -inf);
    return PyFloat_FromDouble(b - PyFloat_AS_DOUBLE(constant));
  }
  Ref magnitude(PyNumber_Absolute(bound));
  if (!magnitude) return nullptr;
  const int huge = PyObject_RichCompareBool(magnitude.get(), infinity.get(), Py_GE);
  if (huge < 0) return nullptr;
  if (huge) {
    Ref zero(PyLong_FromLong(0));
    if (!zero) return nullptr;
    const int positive = PyObject_RichCompareBool(bound, zero.get(), Py_GE);
    if (positive < 0) return nullptr;
    return positive ? infinity.release() : PyNumber_Negative(infinity.get());
  }
  return PyNumber_Subtract(bound, constant);
}

}  // namespace dz
