// The exported calls on SOS constraints. Adding and deleting are validated
// batches of the store (Store::add_sos, Store::delete_sos): a refused call
// changes nothing.
#include <algorithm>
#include <climits>

#include "core/model.h"
#include "core/status.h"
#include "tarvex.h"

extern "C" TVX_API int TVXaddsos(TVXmodel *model, int numsos, int nummembers, const int *types,
                                 const int *beg, const int *ind, const double *weight) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) {
      return m.store.add_sos(numsos, nummembers, types, beg, ind, weight);
    });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

// types and beg are filled whenever given, also by the sizing call (ind and
// weight both null). Given ind and weight hold *nummembers entries (the
// count the sizing call gave); a store that has grown past that room is
// refused rather than overrun.
extern "C" TVX_API int TVXgetsos(TVXmodel *model, int *nummembers, int *types, int *beg, int *ind,
                                 double *weight, int start, int count) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) {
      if (nummembers == nullptr || count < 0) return TVX_ERROR_INVALID_ARGUMENT;
      const int have = m.store.num_sos();
      if (start < 0 || start > have || count > have - start) return TVX_ERROR_MODEL_INVALID_SOS_IDX;
      const tvx::SosSets &sos = m.store.sos();
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
        if (types != nullptr) types[s - start] = sos.type[static_cast<std::size_t>(s)];
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
  } catch (...) {
    return tvx::current_exception_status();
  }
}

// Indices in any order, repeats allowed; the survivors are renumbered.
extern "C" TVX_API int TVXdelsos(TVXmodel *model, int num, const int *ind) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) { return m.store.delete_sos(num, ind); });
  } catch (...) {
    return tvx::current_exception_status();
  }
}
