// The exported calls that append variables. Both are one validated batch of
// the store (Store::add_vars): a refused call changes nothing.
#include "core/model.h"
#include "core/status.h"
#include "tarvex.h"

// One column: its rows need not be sorted, but none may repeat (a repeat is
// refused rather than summed, so the caller states each coefficient once).
extern "C" TVX_API int TVXaddvar(TVXmodel *model, int nnz, const int *ind, const double *val,
                                 double obj, double lb, double ub, char vtype, const char *name) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) {
      const int beg = 0;
      const char *const names[] = {name};
      return m.store.add_vars(1, nnz, &beg, ind, val, &obj, &lb, &ub, &vtype, names);
    });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXaddvars(TVXmodel *model, int numvars, int nnz, const int *beg,
                                  const int *ind, const double *val, const double *obj,
                                  const double *lb, const double *ub, const char *vtype,
                                  const char **varnames) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) {
      return m.store.add_vars(numvars, nnz, beg, ind, val, obj, lb, ub, vtype, varnames);
    });
  } catch (...) {
    return tvx::current_exception_status();
  }
}
