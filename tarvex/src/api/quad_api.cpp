// The exported calls on the quadratic objective terms, kept in the store as
// given (one triple each, neither merged nor mirrored).
#include "core/model.h"
#include "core/status.h"
#include "tarvex.h"

extern "C" TVX_API int TVXaddqpterms(TVXmodel *model, int nnz, const int *qrow, const int *qcol,
                                     const double *val) {
  try {
    return tvx::with_model(model,
                           [&](tvx::Model &m) { return m.store.add_qterms(nnz, qrow, qcol, val); });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXdelq(TVXmodel *model) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) {
      m.store.clear_qterms();
      return TVX_ERROR_OKAY;
    });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

// The arrays are all null (the count only) or all given; given ones hold
// *numqnz entries (the count the sizing call gave), and a store that has
// grown past that room is refused rather than overrun.
extern "C" TVX_API int TVXgetq(TVXmodel *model, int *numqnz, int *qrow, int *qcol, double *val) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) {
      if (numqnz == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
      const tvx::QTerms &q = m.store.qterms();
      const int n = static_cast<int>(q.val.size());
      const bool none = qrow == nullptr && qcol == nullptr && val == nullptr;
      if (none) {
        *numqnz = n;
        return TVX_ERROR_OKAY;
      }
      if (qrow == nullptr || qcol == nullptr || val == nullptr || *numqnz < n)
        return TVX_ERROR_INVALID_ARGUMENT;
      for (int k = 0; k < n; ++k) {
        qrow[k] = q.row[static_cast<std::size_t>(k)];
        qcol[k] = q.col[static_cast<std::size_t>(k)];
        val[k] = q.val[static_cast<std::size_t>(k)];
      }
      *numqnz = n;
      return TVX_ERROR_OKAY;
    });
  } catch (...) {
    return tvx::current_exception_status();
  }
}
