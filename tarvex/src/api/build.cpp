// The exported calls that add elements. Each is one validated batch of the
// store (Store::add_vars, add_rows, add_sos, add_indicator, add_qterms,
// add_psd_var, add_psd_row): a refused call changes nothing.
#include "api/c_boundary.h"
#include "core/model.h"
#include "core/registry.h"
#include "tarvex.h"

using tvx::Model;

// One column: its rows need not be sorted, but none may repeat (a repeat is
// refused rather than summed, so the caller states each coefficient once).
extern "C" TVX_API int TVXaddvar(TVXmodel *model, int nnz, const int *ind, const double *val,
                                 double obj, double lb, double ub, char vtype, const char *name) {
  return tvx::model_call(model, [&](Model &m) {
    const int beg = 0;
    const char *const names[] = {name};
    return m.edit().add_vars(1, nnz, &beg, ind, val, &obj, &lb, &ub, &vtype, names);
  });
}

extern "C" TVX_API int TVXaddvars(TVXmodel *model, int numvars, int nnz, const int *beg,
                                  const int *ind, const double *val, const double *obj,
                                  const double *lb, const double *ub, const char *vtype,
                                  const char **varnames) {
  return tvx::model_call(model, [&](Model &m) {
    return m.edit().add_vars(numvars, nnz, beg, ind, val, obj, lb, ub, vtype, varnames);
  });
}

// One row lower <= sum(val[k] * x[ind[k]]) <= upper; the variables need not
// be sorted, but none may repeat (the caller merges them first).
extern "C" TVX_API int TVXaddrangeconstr(TVXmodel *model, int nnz, const int *ind,
                                         const double *val, double lower, double upper,
                                         const char *name) {
  return tvx::model_call(model, [&](Model &m) {
    const int beg = 0;
    const char *const names[] = {name};
    return m.edit().add_rows(1, nnz, &beg, ind, val, &lower, &upper, names);
  });
}

extern "C" TVX_API int TVXaddrangeconstrs(TVXmodel *model, int numrows, int nnz, const int *beg,
                                          const int *ind, const double *val, const double *lower,
                                          const double *upper, const char **names) {
  return tvx::model_call(model, [&](Model &m) {
    return m.edit().add_rows(numrows, nnz, beg, ind, val, lower, upper, names);
  });
}

extern "C" TVX_API int TVXaddsos(TVXmodel *model, int numsos, int nummembers, const int *types,
                                 const int *beg, const int *ind, const double *weight) {
  return tvx::model_call(model, [&](Model &m) {
    return m.edit().add_sos(numsos, nummembers, types, beg, ind, weight);
  });
}

// Indicators are the one kind of general constraint.
extern "C" TVX_API int TVXaddgenconstrIndicator(TVXmodel *model, const char *name, int binvar,
                                                int binval, int nnz, const int *ind,
                                                const double *val, char sense, double rhs) {
  return tvx::model_call(model, [&](Model &m) {
    return m.edit().add_indicator(name, binvar, binval, nnz, ind, val, sense, rhs);
  });
}

// Kept as given: one triple each, neither merged nor mirrored.
extern "C" TVX_API int TVXaddqpterms(TVXmodel *model, int nnz, const int *qrow, const int *qcol,
                                     const double *val) {
  return tvx::model_call(model,
                         [&](Model &m) { return m.edit().add_qterms(nnz, qrow, qcol, val); });
}

// Matrix entries are row-major positions r * dim + c, stored as received;
// the symmetric matrix they stand for is assembled as store/psd_matrix.h says
// (a zero entry is skipped, M[r][c] = M[c][r] = v, a later entry wins).
extern "C" TVX_API int TVXaddpsdvar(TVXmodel *model, int dim, int nnz, const int *pos,
                                    const double *val, const char *name) {
  return tvx::model_call(model,
                         [&](Model &m) { return m.edit().add_psd_var(dim, nnz, pos, val, name); });
}

// The PSD variables of one row must be distinct (the caller sums the
// matrices of one variable first); the matrix entries of one variable may
// repeat a position, the later entry winning.
extern "C" TVX_API int TVXaddrangepsdconstr(TVXmodel *model, int lnnz, int npsd, int pnnz,
                                            const int *lind, const double *lval, const int *vidx,
                                            const int *beg, const int *ind, const double *val,
                                            double lower, double upper, const char *name) {
  return tvx::model_call(model, [&](Model &m) {
    return m.edit().add_psd_row(lnnz, lind, lval, npsd, vidx, beg, pnnz, ind, val, lower, upper,
                                name);
  });
}
