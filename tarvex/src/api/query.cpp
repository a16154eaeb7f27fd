// The exported reads of the stored problem: linear coefficients by rows and
// by columns, single coefficients, quadratic terms, SOS, indicators and
// name lookups. A variable-length read is made twice (see tarvex.h): with
// null arrays for the count, then with arrays that big.
#include <algorithm>
#include <climits>
#include <cstddef>

#include "api/c_boundary.h"
#include "core/model.h"
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

// A name no element can carry (not UTF-8) is simply not found.
int lookup(TVXmodel *model, const char *name, int *index,
           const tvx::NameTable &(*names)(const tvx::Store &)) {
  return tvx::model_call(model, [&](tvx::Model &m) {
    if (name == nullptr || index == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    *index = tvx::valid_name(name) ? names(m.store()).find(name) : -1;
    return TVX_ERROR_OKAY;
  });
}

}  // namespace

extern "C" TVX_API int TVXgetconstrs(TVXmodel *model, int *numnz, int *beg, int *ind, double *val,
                                     int start, int count) {
  return tvx::model_call(model, [&](tvx::Model &m) -> int {
    if (numnz == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    const int rc = check_range(start, count, m.store().num_rows(), TVX_ERROR_MODEL_INVALID_ROW_IDX);
    if (rc != TVX_ERROR_OKAY) return rc;
    const tvx::SparseList &terms = m.store().rows().terms;
    return read_compressed(numnz, beg, ind, val, start, count, [&](int i) {
      return Slice{terms.index(i), terms.value(i), terms.length(i)};
    });
  });
}

// Each column lists its rows ascending.
extern "C" TVX_API int TVXgetvars(TVXmodel *model, int *numnz, int *beg, int *ind, double *val,
                                  int start, int count) {
  return tvx::model_call(model, [&](tvx::Model &m) -> int {
    if (numnz == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    const int rc = check_range(start, count, m.store().num_vars(), TVX_ERROR_MODEL_INVALID_COL_IDX);
    if (rc != TVX_ERROR_OKAY) return rc;
    const tvx::ColumnView &cols = m.store().columns();
    return read_compressed(numnz, beg, ind, val, start, count, [&](int j) {
      const std::size_t b = cols.beg[tvx::to_size(j)];
      const std::size_t e = cols.beg[tvx::to_size(j) + 1];
      return Slice{cols.row.data() + b, cols.val.data() + b, static_cast<int>(e - b)};
    });
  });
}

// A coefficient that is not stored reads as 0; a stored zero reads as 0 too.
extern "C" TVX_API int TVXgetcoeff(TVXmodel *model, int constr, int var, double *value) {
  return tvx::model_call(model, [&](tvx::Model &m) -> int {
    if (value == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    if (constr < 0 || constr >= m.store().num_rows()) return TVX_ERROR_MODEL_INVALID_ROW_IDX;
    if (var < 0 || var >= m.store().num_vars()) return TVX_ERROR_MODEL_INVALID_COL_IDX;
    const tvx::SparseList &terms = m.store().rows().terms;
    const int at = terms.position(constr, var);
    *value = at < 0 ? 0.0 : terms.value(constr)[at];
    return TVX_ERROR_OKAY;
  });
}

// The arrays are all null (the count only) or all given; given ones hold
// *numqnz entries (the count the sizing call gave), and a store that has
// grown past that room is refused rather than overrun.
extern "C" TVX_API int TVXgetq(TVXmodel *model, int *numqnz, int *qrow, int *qcol, double *val) {
  return tvx::model_call(model, [&](tvx::Model &m) {
    if (numqnz == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    const tvx::QTerms &q = m.store().qterms();
    const int n = tvx::int_size(q.val);
    const bool none = qrow == nullptr && qcol == nullptr && val == nullptr;
    if (none) {
      *numqnz = n;
      return TVX_ERROR_OKAY;
    }
    if (qrow == nullptr || qcol == nullptr || val == nullptr || *numqnz < n)
      return TVX_ERROR_INVALID_ARGUMENT;
    for (int k = 0; k < n; ++k) {
      qrow[k] = q.row[tvx::to_size(k)];
      qcol[k] = q.col[tvx::to_size(k)];
      val[k] = q.val[tvx::to_size(k)];
    }
    *numqnz = n;
    return TVX_ERROR_OKAY;
  });
}

// types and beg are filled whenever given, also by the sizing call (ind and
// weight both null). Given ind and weight hold *nummembers entries (the
// count the sizing call gave); a store that has grown past that room is
// refused rather than overrun.
extern "C" TVX_API int TVXgetsos(TVXmodel *model, int *nummembers, int *types, int *beg, int *ind,
                                 double *weight, int start, int count) {
  return tvx::model_call(model, [&](tvx::Model &m) {
    if (nummembers == nullptr || count < 0) return TVX_ERROR_INVALID_ARGUMENT;
    const int have = m.store().num_sos();
    if (start < 0 || start > have || count > have - start) return TVX_ERROR_MODEL_INVALID_SOS_IDX;
    const tvx::SosSets &sos = m.store().sos();
    long long total = 0;
    for (int s = start; s < start + count; ++s) total += sos.members.length(s);
    // More members than an int can count cannot be handed out in one call.
    if (total > INT_MAX) return TVX_ERROR_INVALID_ARGUMENT;
    const int n = static_cast<int>(total);
    const bool sizing = ind == nullptr && weight == nullptr;
    if (!sizing && (*nummembers < n || (n > 0 && (ind == nullptr || weight == nullptr))))
      return TVX_ERROR_INVALID_ARGUMENT;
    int at = 0;
    for (int s = start; s < start + count; ++s) {
      const int len = sos.members.length(s);
      if (types != nullptr) types[s - start] = sos.type[tvx::to_size(s)];
      if (beg != nullptr) beg[s - start] = at;
      if (!sizing) {
        std::copy_n(sos.members.index(s), len, ind + at);
        std::copy_n(sos.members.value(s), len, weight + at);
      }
      at += len;
    }
    *nummembers = n;
    return TVX_ERROR_OKAY;
  });
}

// Every scalar output is required, so none is left unset on success. ind and
// val both null ask for the scalars and *nnz only; given, they hold *nnz
// entries (the count the sizing call gave), and a row that has grown past
// that room is refused rather than overrun.
extern "C" TVX_API int TVXgetgenconstrIndicator(TVXmodel *model, int index, int *binvar,
                                                int *binval, int *nnz, int *ind, double *val,
                                                char *sense, double *rhs) {
  return tvx::model_call(model, [&](tvx::Model &m) {
    if (binvar == nullptr || binval == nullptr || nnz == nullptr || sense == nullptr ||
        rhs == nullptr)
      return TVX_ERROR_INVALID_ARGUMENT;
    const tvx::GenConstrs &gen = m.store().genconstrs();
    if (index < 0 || index >= m.store().num_genconstrs())
      return TVX_ERROR_MODEL_INVALID_INDICATOR_ROW_IDX;
    const auto g = tvx::to_size(index);
    if (gen.type[g] != TVX_GENCONSTR_INDICATOR) return TVX_ERROR_MODEL_INVALID_INDICATOR_ROW_IDX;
    const int n = gen.terms.length(index);
    const bool sizing = ind == nullptr && val == nullptr;
    if (!sizing && (*nnz < n || (n > 0 && (ind == nullptr || val == nullptr))))
      return TVX_ERROR_INVALID_ARGUMENT;
    if (!sizing) {
      std::copy_n(gen.terms.index(index), n, ind);
      std::copy_n(gen.terms.value(index), n, val);
    }
    *binvar = gen.binvar[g];
    *binval = gen.binval[g];
    *nnz = n;
    *sense = gen.sense[g];
    *rhs = gen.rhs[g];
    return TVX_ERROR_OKAY;
  });
}

extern "C" TVX_API int TVXgetvarbyname(TVXmodel *model, const char *name, int *index) {
  return lookup(model, name, index,
                [](const tvx::Store &s) -> const tvx::NameTable & { return s.vars().names; });
}

// Linear and PSD rows share one index space and one name table.
extern "C" TVX_API int TVXgetconstrbyname(TVXmodel *model, const char *name, int *index) {
  return lookup(model, name, index,
                [](const tvx::Store &s) -> const tvx::NameTable & { return s.rows().names; });
}
