// The exported calls that append linear rows. Both are one validated batch of
// the store (Store::add_rows): a refused call changes nothing.
#include "core/model.h"
#include "core/status.h"
#include "tarvex.h"

// One row lower <= sum(val[k] * x[ind[k]]) <= upper; the variables need not
// be sorted, but none may repeat (the caller merges them first).
extern "C" TVX_API int TVXaddrangeconstr(TVXmodel *model, int nnz, const int *ind,
                                         const double *val, double lower, double upper,
                                         const char *name) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) {
      const int beg = 0;
      const char *const names[] = {name};
      return m.store.add_rows(1, nnz, &beg, ind, val, &lower, &upper, names);
    });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXaddrangeconstrs(TVXmodel *model, int numrows, int nnz, const int *beg,
                                          const int *ind, const double *val, const double *lower,
                                          const double *upper, const char **names) {
  try {
    return tvx::with_model(model, [&](tvx::Model &m) {
      return m.store.add_rows(numrows, nnz, beg, ind, val, lower, upper, names);
    });
  } catch (...) {
    return tvx::current_exception_status();
  }
}
