// The exported reads of the linear coefficients, by rows and by columns, and
// the calls that read and change single coefficients. A read is made twice
// (see tarvex.h): with null arrays for the count, then with arrays that big.
#include <algorithm>
#include <climits>
#include <cstddef>

#include "core/model.h"
#include "core/status.h"
#include "tarvex.h"

namespace {

// One row or column of the range being read.
struct Slice {
  const int *ind;
  const double *val;
  int n;
};

// Elements start .. start+count-1 of `have`; a negative count is a caller's
// fault, a range past the end an index fault of that kind.
int check_range(int start, int count, int have, int range_code) {
  if (count < 0) return TVX_ERROR_INVALID_ARGUMENT;
  if (start < 0 || start > have || count > have - start) return range_code;
  return TVX_ERROR_OKAY;
}

// Writes the slices of elements start .. start+count-1 one after another.
// The arrays given hold *numnz entries (the count of the sizing call); a
// store that has grown past that room since is refused rather than overrun.
template <class SliceOf>
int read_compressed(int *numnz, int *beg, int *ind, double *val, int start, int count,
                    SliceOf slice_of) {
  long long total = 0;
  for (int k = start; k < start + count; ++k) total += slice_of(k).n;
  // More entries than an int can count cannot be handed out in one call.
  if (total > INT_MAX) return TVX_ERROR_INVALID_ARGUMENT;
  const int n = static_cast<int>(total);
  if (beg == nullptr && ind == nullptr && val == nullptr) {
    *numnz = n;
    return TVX_ERROR_OKAY;
  }
  if (*numnz < n || (count > 0 && beg == nullptr) || (n > 0 && (ind == nullptr || val == nullptr)))
    return TVX_ERROR_INVALID_ARGUMENT;
  int at = 0;
  for (int k = start; k < start + count; ++k) {
    const Slice s = slice_of(k);
    beg[k - start] = at;
    std::copy_n(s.ind, s.n, ind + at);
    std::copy_n(s.val, s.n, val + at);
    at += s.n;
  }
  *numnz = n;
  return TVX_ERROR_OKAY;
}

}  // namespace

extern "C" TVX_API int TVXgetconstrs(TVXmodel *model, int *numnz, int *beg, int *ind, double *val,
                                     int start, int count) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) -> int {
      if (numnz == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
      const int rc = check_range(start, count, m.store.num_rows(), TVX_ERROR_MODEL_INVALID_ROW_IDX);
      if (rc != TVX_ERROR_OKAY) return rc;
      const tvx::SparseList &terms = m.store.rows().terms;
      return read_compressed(numnz, beg, ind, val, start, count, [&](int i) {
        return Slice{terms.index(i), terms.value(i), terms.length(i)};
      });
    });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

// Each column lists its rows ascending.
extern "C" TVX_API int TVXgetvars(TVXmodel *model, int *numnz, int *beg, int *ind, double *val,
                                  int start, int count) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) -> int {
      if (numnz == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
      const int rc = check_range(start, count, m.store.num_vars(), TVX_ERROR_MODEL_INVALID_COL_IDX);
      if (rc != TVX_ERROR_OKAY) return rc;
      const tvx::ColumnView &cols = m.store.columns();
      return read_compressed(numnz, beg, ind, val, start, count, [&](int j) {
        const std::size_t b = cols.beg[static_cast<std::size_t>(j)];
        const std::size_t e = cols.beg[static_cast<std::size_t>(j) + 1];
        return Slice{cols.row.data() + b, cols.val.data() + b, static_cast<int>(e - b)};
      });
    });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

// A coefficient that is not stored reads as 0; a stored zero reads as 0 too.
extern "C" TVX_API int TVXgetcoeff(TVXmodel *model, int constr, int var, double *value) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) -> int {
      if (value == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
      if (constr < 0 || constr >= m.store.num_rows()) return TVX_ERROR_MODEL_INVALID_ROW_IDX;
      if (var < 0 || var >= m.store.num_vars()) return TVX_ERROR_MODEL_INVALID_COL_IDX;
      const tvx::SparseList &terms = m.store.rows().terms;
      const int at = terms.position(constr, var);
      *value = at < 0 ? 0.0 : terms.value(constr)[at];
      return TVX_ERROR_OKAY;
    });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

// One validated batch of the store (Store::set_coeffs): a later pair wins
// over an earlier equal one, and a refused call changes nothing.
extern "C" TVX_API int TVXchgcoeffs(TVXmodel *model, int cnt, const int *cind, const int *vind,
                                    const double *val) {
  try {
    return tvx::with_model(
        model, [&](tvx::Model &m) -> int { return m.store.set_coeffs(cnt, cind, vind, val); });
  } catch (...) {
    return tvx::current_exception_status();
  }
}
