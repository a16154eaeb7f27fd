// The exported calls on general constraints, of which indicators are the
// one kind. Adding and deleting are validated operations of the store
// (Store::add_indicator, Store::delete_genconstrs): a refused call changes
// nothing.
#include <algorithm>

#include "core/model.h"
#include "core/status.h"
#include "tarvex.h"

extern "C" TVX_API int TVXaddgenconstrIndicator(TVXmodel *model, const char *name, int binvar,
                                                int binval, int nnz, const int *ind,
                                                const double *val, char sense, double rhs) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) {
      return m.store.add_indicator(name, binvar, binval, nnz, ind, val, sense, rhs);
    });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

// Every scalar output is required, so none is left unset on success. ind and
// val both null ask for the scalars and *nnz only; given, they hold *nnz
// entries (the count the sizing call gave), and a row that has grown past
// that room is refused rather than overrun.
extern "C" TVX_API int TVXgetgenconstrIndicator(TVXmodel *model, int index, int *binvar,
                                                int *binval, int *nnz, int *ind, double *val,
                                                char *sense, double *rhs) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) {
      if (binvar == nullptr || binval == nullptr || nnz == nullptr || sense == nullptr ||
          rhs == nullptr)
        return TVX_ERROR_INVALID_ARGUMENT;
      const tvx::GenConstrs &gen = m.store.genconstrs();
      if (index < 0 || index >= m.store.num_genconstrs())
        return TVX_ERROR_MODEL_INVALID_INDICATOR_ROW_IDX;
      const auto g = static_cast<std::size_t>(index);
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
  } catch (...) {
    return tvx::current_exception_status();
  }
}

// Indices in any order, repeats allowed; the survivors are renumbered.
extern "C" TVX_API int TVXdelgenconstrs(TVXmodel *model, int num, const int *ind) {
  try {
    return tvx::with_model(model,
                           [&](tvx::Model &m) { return m.store.delete_genconstrs(num, ind); });
  } catch (...) {
    return tvx::current_exception_status();
  }
}
