// The exported changes of stored elements: coefficients, and deletions. Each
// is one validated batch of the store: a refused call changes nothing, and
// the survivors of the kind deleted are renumbered 0.. in their old order.
#include "api/c_boundary.h"
#include "core/model.h"
#include "tarvex.h"

// One validated batch of the store (Store::set_coeffs): a later pair wins
// over an earlier equal one, and a refused call changes nothing.
extern "C" TVX_API int TVXchgcoeffs(TVXmodel *model, int cnt, const int *cind, const int *vind,
                                    const double *val) {
  return tvx::model_call(
      model, [&](tvx::Model &m) -> int { return m.store.set_coeffs(cnt, cind, vind, val); });
}

// Indices in any order, repeats allowed. The variables' coefficients leave
// the rows, the objective, the quadratic terms, SOS and indicator rows, and
// every remaining reference is renumbered. Deleting the binary variable of
// an indicator is refused (MODEL_INVALID_INDICATOR_COL_IDX): the indicator
// would lose its meaning, so it has to be deleted first.
extern "C" TVX_API int TVXdelvars(TVXmodel *model, int num, const int *ind) {
  return tvx::model_call(model, [&](tvx::Model &m) { return m.store.delete_vars(num, ind); });
}

// Indices in any order, repeats allowed; linear and PSD rows alike.
extern "C" TVX_API int TVXdelconstrs(TVXmodel *model, int num, const int *ind) {
  return tvx::model_call(model, [&](tvx::Model &m) { return m.store.delete_rows(num, ind); });
}

extern "C" TVX_API int TVXdelsos(TVXmodel *model, int num, const int *ind) {
  return tvx::model_call(model, [&](tvx::Model &m) { return m.store.delete_sos(num, ind); });
}

// Indices in any order, repeats allowed; the survivors are renumbered.
extern "C" TVX_API int TVXdelgenconstrs(TVXmodel *model, int num, const int *ind) {
  return tvx::model_call(model, [&](tvx::Model &m) { return m.store.delete_genconstrs(num, ind); });
}

extern "C" TVX_API int TVXdelq(TVXmodel *model) {
  return tvx::model_call(model, [&](tvx::Model &m) {
    m.store.clear_qterms();
    return TVX_ERROR_OKAY;
  });
}
