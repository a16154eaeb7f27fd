// Linear rows to the library's compressed-row arrays: every path that hands
// linear terms to the library comes through here.
#include "building/row_terms.h"

#include <algorithm>
#include <vector>

#include "expr/expr_util.h"
#include "expr/linexpr.h"
#include "model/handles.h"
#include "runtime/args.h"
#include "runtime/sizes.h"

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
  const Py_ssize_t n = PyList_GET_SIZE(rows);
  std::vector<LinTerms> terms(to_size(n));
  std::size_t total = 0;
  for (Py_ssize_t r = 0; r < n; r++) {
    PyObject *row = PyList_GET_ITEM(rows, r);  // borrowed, held by rows
    if (!linexpr_check(row)) {
      PyErr_SetString(PyExc_TypeError, "Expect a LinExpr");
      return -1;
    }
    LinTerms &t = terms[to_size(r)];
    if (linexpr_terms(row, t) < 0) return -1;
    total += to_size(t.n);
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
    Term *const first = flat.data() + begin;
    Term *const last = flat.data() + end;
    const auto by_index = [](const Term &a, const Term &b) { return a.index < b.index; };
    // Rows made from a matrix come sorted already. Short ones are sorted by
    // insertion, stable too, without stable_sort's buffer.
    if (!std::is_sorted(first, last, by_index)) {
      if (end - begin > kShortRow) {
        std::stable_sort(first, last, by_index);
      } else {
        for (Term *it = first + 1; it < last; ++it) {
          const Term t = *it;
          Term *hole = it;
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
  if (!int_size(PyList_GET_SIZE(rows.get()), &nrows)) return -1;
  std::vector<Term> flat;
  std::vector<std::size_t> ends, starts;
  if (read_rows(self, rows.get(), flat, ends) < 0) return -1;
  const std::size_t nnz = merge_rows(flat, ends, starts);
  int count = 0;
  if (!int_size(nnz, &count)) return -1;
  if ((with_starts && !out.beg.allocate(nrows)) || !out.ind.allocate(count) ||
      !out.val.allocate(count))
    return -1;
  if (with_starts)
    for (int r = 0; r < nrows; r++)
      if (!int_size(starts[to_size(r)], &out.beg[r])) return -1;
  for (int k = 0; k < count; k++) {
    out.ind[k] = flat[to_size(k)].index;
    out.val[k] = flat[to_size(k)].value;
  }
  out.nnz = count;
  return 0;
}

}  // namespace dz
