// Linear rows to the library's compressed-row arrays, and bounds stated
// against a whole expression to bounds of its terms. Every path that hands
// linear terms to the library comes through here.
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "building/lin_arrays.h"
#include "expr/expr_util.h"
#include "expr/linexpr.h"
#include "model/handles.h"
#include "module/tarvex_error.h"
#include "module/state.h"

namespace dz {

int term_var_index(PyObject *var, TVXmodel *mdl, int *index) {
  if (!handle_check(var, &Var_Type)) {
    PyErr_Format(PyExc_TypeError, "expected a Var in the terms, got %.200s", Py_TYPE(var)->tp_name);
    return -1;
  }
  if (!handle_of_model(var, mdl)) return -1;
  *index = handle_index(var);
  return 0;
}

PyObject *row_side(ModelObject *self, PyObject *side, double constant) {
  Ref k(PyFloat_FromDouble(constant));
  if (!k) return nullptr;
  return Model_ops.dec_bound(self, side, k.get());
}

bool NewRows::make(Py_ssize_t n) {
  if (!(constrs = Ref(PyList_New(n))) || !(psdconstrs = Ref(PyList_New(n)))) return false;
  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *c = Constr_ops.new_(nullptr, 0);
    if (!c) return false;
    PyList_SET_ITEM(constrs.get(), i, c);
    PyObject *p = PsdConstr_ops.new_(nullptr, 0);
    if (!p) return false;
    PyList_SET_ITEM(psdconstrs.get(), i, p);
  }
  return true;
}

int NewRows::append(ModelObject *m, TVXmodel *mdl) {
  const Py_ssize_t first = PyList_GET_SIZE(m->constrlist_);
  const Py_ssize_t pfirst = PyList_GET_SIZE(m->psdconstrlist_);
  const Py_ssize_t n = PyList_GET_SIZE(constrs.get());
  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *c = PyList_GET_ITEM(constrs.get(), i);
    as_handle(c)->mdl_ = mdl;
    handle_set_index(c, static_cast<int>(first + i));
    PyObject *p = PyList_GET_ITEM(psdconstrs.get(), i);
    as_handle(p)->mdl_ = mdl;
    handle_set_index(p, static_cast<int>(pfirst + i));
  }
  if (PyList_SetSlice(m->constrlist_, first, first, constrs.get()) < 0) return -1;
  return PyList_SetSlice(m->psdconstrlist_, pfirst, pfirst, psdconstrs.get());
}

namespace {

struct Term {
  int index;
  double value;
};

// Every row's terms as (variable index, coefficient) in term order, row r
// ending at ends[r]. Python code (a coefficient's __float__) runs only while
// the coefficients are converted, from snapshots that it cannot change; the
// variables' indices are read afterwards from handle fields, so they are
// the ones the library sees. 0 or -1.
int read_rows(ModelObject *self, PyObject *rows, std::vector<Term> &flat,
              std::vector<std::size_t> &ends) {
  const std::size_t n = static_cast<std::size_t>(PyList_GET_SIZE(rows));
  std::vector<LinTerms> terms(n);
  std::size_t total = 0;
  for (std::size_t r = 0; r < n; r++) {
    PyObject *row = PyList_GET_ITEM(rows, r);  // borrowed, held by rows
    if (!linexpr_check(row)) {
      PyErr_SetString(PyExc_TypeError, "Expect a LinExpr");
      return -1;
    }
    if (linexpr_terms(row, terms[r]) < 0) return -1;
    total += static_cast<std::size_t>(terms[r].n);
    ends.push_back(total);
  }
  flat.resize(total);
  std::size_t at = 0;
  for (const LinTerms &t : terms)
    for (int i = 0; i < t.n; i++, at++)
      if (!float_of(t.coeffs.at(i), &flat[at].value)) return -1;
  TVXmodel *mdl = model_live_handle(self);
  if (!mdl) return -1;
  at = 0;
  for (const LinTerms &t : terms)
    for (int i = 0; i < t.n; i++, at++)
      if (term_var_index(t.vars.at(i), mdl, &flat[at].index) < 0) return -1;
  return 0;
}

// Sorts each row by variable index (stable: equal variables are summed in
// term order) and merges it in place; starts[r] is where row r begins.
// Returns the number of merged terms.
constexpr std::size_t kShortRow = 32;

std::size_t merge_rows(std::vector<Term> &flat, const std::vector<std::size_t> &ends,
                       std::vector<std::size_t> &starts) {
  std::size_t out = 0, begin = 0;
  for (std::size_t end : ends) {
    const auto first = flat.begin() + static_cast<std::ptrdiff_t>(begin);
    const auto last = flat.begin() + static_cast<std::ptrdiff_t>(end);
    const auto by_index = [](const Term &a, const Term &b) { return a.index < b.index; };
    // Rows made from a matrix come sorted already. Short ones are sorted by
    // insertion, stable too, without stable_sort's buffer.
    if (!std::is_sorted(first, last, by_index)) {
      if (end - begin > kShortRow) {
        std::stable_sort(first, last, by_index);
      } else {
        for (auto it = first + 1; it < last; ++it) {
          const Term t = *it;
          auto hole = it;
          for (; hole > first && (hole - 1)->index > t.index; --hole) *hole = *(hole - 1);
          *hole = t;
        }
      }
    }
    starts.push_back(out);
    const std::size_t row_start = out;
    for (std::size_t k = begin; k < end; k++) {
      if (out > row_start && flat[out - 1].index == flat[k].index)
        flat[out - 1].value += flat[k].value;
      else
        flat[out++] = flat[k];
    }
    begin = end;
  }
  return out;
}

}  // namespace

int model_linexprs2array(ModelObject *self, PyObject *exprs, bool with_starts, RowArrays &out) {
  Ref rows(PySequence_List(exprs));
  if (!rows) return -1;
  int nrows = 0;
  if (!size_to_int32(PyList_GET_SIZE(rows.get()), &nrows)) return -1;
  std::vector<Term> flat;
  std::vector<std::size_t> ends, starts;
  if (read_rows(self, rows.get(), flat, ends) < 0) return -1;
  const std::size_t nnz = merge_rows(flat, ends, starts);
  int count = 0;
  if (!size_to_int32(static_cast<long long>(nnz), &count)) return -1;
  if ((with_starts && !out.beg.allocate(nrows)) || !out.ind.allocate(count) ||
      !out.val.allocate(count))
    return -1;
  if (with_starts)
    for (int r = 0; r < nrows; r++)
      out.beg[r] = static_cast<int>(starts[static_cast<std::size_t>(r)]);
  for (int k = 0; k < count; k++) {
    out.ind[k] = flat[static_cast<std::size_t>(k)].index;
    out.val[k] = flat[static_cast<std::size_t>(k)].value;
  }
  out.nnz = count;
  return 0;
}

PyObject *model_dec_bound(ModelObject *, PyObject *bound, PyObject *constant) {
  if (bound == Py_None) Py_RETURN_NONE;
  Ref infinity(tvx_constant("INFINITY"));
  if (!infinity) return nullptr;
  // Exact floats, and ints a double holds exactly, are served in C; the
  // result is the same Python would give.
  double b = 0.0;
  bool plain = PyFloat_CheckExact(bound);
  if (plain) {
    b = PyFloat_AS_DOUBLE(bound);
  } else if (PyLong_CheckExact(bound)) {
    int overflow = 0;
    const long long v = PyLong_AsLongLongAndOverflow(bound, &overflow);
    if (v == -1 && PyErr_Occurred()) return nullptr;
    plain = !overflow && v > -(1LL << 53) && v < (1LL << 53);
    b = static_cast<double>(v);
  }
  if (plain && PyFloat_CheckExact(infinity.get()) && PyFloat_CheckExact(constant)) {
    const double inf = PyFloat_AS_DOUBLE(infinity.get());
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
