// The exported deletions of variables and rows, each one validated batch of
// the store: a refused call changes nothing, and the survivors of the kind
// are renumbered 0.. in their old order.
#include "core/model.h"
#include "core/status.h"
#include "tarvex.h"

// Indices in any order, repeats allowed. The variables' coefficients leave
// the rows, the objective, the quadratic terms, SOS and indicator rows, and
// every remaining reference is renumbered. Deleting the binary variable of
// an indicator is refused (MODEL_INVALID_INDICATOR_COL_IDX): the indicator
// would lose its meaning, so it has to be deleted first.
extern "C" TVX_API int TVXdelvars(TVXmodel *model, int num, const int *ind) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) { return m.store.delete_vars(num, ind); });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

// Indices in any order, repeats allowed; linear and PSD rows alike.
extern "C" TVX_API int TVXdelconstrs(TVXmodel *model, int num, const int *ind) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) { return m.store.delete_rows(num, ind); });
  } catch (...) {
    return tvx::current_exception_status();
  }
}
