// The attribute table: every attribute with its data type, owner kind and
// accessors. Aliases are rows of their own sharing accessors.
//
// Owners: linear and PSD rows share one index space, so the row attributes
// of both kinds (LHS and PsdCLHS, ConstrName and PsdCName) address any row.
// Values that only a solve gives are read from the store's results, which
// any change of the problem empties; their readiness checks also confirm one
// entry per element, so a reader never indexes past a result vector.
#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/status.h"
#include "store/attrs.h"
#include "store/store.h"
#include "tarvex.h"

namespace tvx {
namespace {

constexpr int kModel = TVX_ATTRKIND_MODEL;
constexpr int kVar = TVX_ATTRKIND_VAR;
constexpr int kRow = TVX_ATTRKIND_LINCONSTR;
constexpr int kGen = TVX_ATTRKIND_GENCONSTR;
constexpr int kPsdVar = TVX_ATTRKIND_PSDVAR;
constexpr int kPsdRow = TVX_ATTRKIND_PSDCONSTR;

// ---- Readiness --------------------------------------------------------------

template <class T>
int ready_slot(const std::optional<std::vector<T>> &slot, int count, int code) {
  return slot && slot->size() == to_size(count) ? TVX_ERROR_OKAY : code;
}

int ready_x(const Store &s) { return ready_slot(s.results().x, s.num_vars(), TVX_ERROR_NO_SOLN); }
int ready_rc(const Store &s) {
  return ready_slot(s.results().reduced_cost, s.num_vars(), TVX_ERROR_NO_SOLN);
}
int ready_dual(const Store &s) {
  return ready_slot(s.results().dual, s.num_rows(), TVX_ERROR_NO_SOLN);
}
int ready_activity(const Store &s) {
  return ready_slot(s.results().activity, s.num_rows(), TVX_ERROR_NO_SOLN);
}
int ready_col_basis(const Store &s) {
  const auto &b = s.results().basis;
  return b && b->col.size() == to_size(s.num_vars()) ? TVX_ERROR_OKAY : TVX_ERROR_NO_SOLN;
}
int ready_row_basis(const Store &s) {
  const auto &b = s.results().basis;
  return b && b->row.size() == to_size(s.num_rows()) ? TVX_ERROR_OKAY : TVX_ERROR_NO_SOLN;
}
int ready_iis_col(const Store &s) {
  return ready_slot(s.results().iis_col, s.num_vars(), TVX_ERROR_IIS_NO_SOLN);
}
int ready_iis_row(const Store &s) {
  return ready_slot(s.results().iis_row, s.num_rows(), TVX_ERROR_IIS_NO_SOLN);
}
int ready_psd_x(const Store &s) {
  const auto &x = s.results().psd_x;
  if (!x || x->size() != to_size(s.num_psd_vars())) return TVX_ERROR_NO_SOLN;
  for (int p = 0; p < s.num_psd_vars(); ++p) {
    const auto dim = to_size(s.psd_vars().dim[to_size(p)]);
    if ((*x)[to_size(p)].size() != dim * dim) return TVX_ERROR_NO_SOLN;
  }
  return TVX_ERROR_OKAY;
}
int ready_primal_obj(const Store &s) {
  return s.results().primal_obj ? TVX_ERROR_OKAY : TVX_ERROR_NO_SOLN;
}
int ready_dual_obj(const Store &s) {
  return s.results().dual_obj ? TVX_ERROR_OKAY : TVX_ERROR_NO_SOLN;
}
int ready_gap_abs(const Store &s) {
  return s.results().mip_gap_abs ? TVX_ERROR_OKAY : TVX_ERROR_NO_SOLN;
}
int ready_gap_rel(const Store &s) {
  return s.results().mip_gap_rel ? TVX_ERROR_OKAY : TVX_ERROR_NO_SOLN;
}
int ready_stats(const Store &s) {
  return s.results().stats ? TVX_ERROR_OKAY : TVX_ERROR_NO_STATISTICS;
}
// The entry count is kept as a size_t; an int cannot always hold it.
int ready_num_nz(const Store &s) {
  return s.num_nz() <= to_size(INT_MAX) ? TVX_ERROR_OKAY : TVX_ERROR_DATA_NOT_AVAILABLE;
}

// ---- Value checks -----------------------------------------------------------

int check_sense(int value) {
  return value == TVX_MINIMIZE || value == TVX_MAXIMIZE ? TVX_ERROR_OKAY
                                                        : TVX_ERROR_MODEL_INPUT_ERROR;
}
int check_bound(double value) {
  return valid_bound(value) ? TVX_ERROR_OKAY : TVX_ERROR_MODEL_INPUT_ERROR;
}
int check_finite(double value) {
  return valid_coeff(value) ? TVX_ERROR_OKAY : TVX_ERROR_MODEL_INPUT_ERROR;
}
int check_vtype(char value) {
  return normal_vtype(value) != 0 ? TVX_ERROR_OKAY : TVX_ERROR_MODEL_INPUT_ERROR;
}

// ---- Model ------------------------------------------------------------------

int min_sense(const Store &s, int) { return s.sense() == TVX_MINIMIZE ? 1 : 0; }
int model_sense(const Store &s, int) { return s.sense(); }
void set_model_sense(Store &s, int, int value) { s.set_sense(value); }
int has_solution(const Store &s, int) {
  return s.results().x.has_value() || s.results().psd_x.has_value() ? 1 : 0;
}
int has_primal_ray(const Store &s, int) { return s.results().primal_ray.has_value() ? 1 : 0; }
int has_dual_ray(const Store &s, int) { return s.results().dual_ray.has_value() ? 1 : 0; }
int num_vars(const Store &s, int) { return s.num_vars(); }
int num_rows(const Store &s, int) { return s.num_rows(); }
int num_sos(const Store &s, int) { return s.num_sos(); }
int num_genconstrs(const Store &s, int) { return s.num_genconstrs(); }
int num_nz(const Store &s, int) { return static_cast<int>(s.num_nz()); }
int num_psd_vars(const Store &s, int) { return s.num_psd_vars(); }
int num_psd_rows(const Store &s, int) { return s.num_psd_rows(); }
int spx_iters(const Store &s, int) { return s.results().stats->spx_iters; }
int ipm_iters(const Store &s, int) { return s.results().stats->ipm_iters; }
int status(const Store &s, int) { return s.results().status; }

double objcon(const Store &s, int) { return s.objcon(); }
void set_objcon(Store &s, int, double value) { s.set_objcon(value); }
double primal_obj(const Store &s, int) { return *s.results().primal_obj; }
double dual_obj(const Store &s, int) { return *s.results().dual_obj; }
double presolve_time(const Store &s, int) { return s.results().stats->presolve_time; }
double solver_time(const Store &s, int) { return s.results().stats->solver_time; }
double total_time(const Store &s, int) { return s.results().stats->total_time; }
double gap_abs(const Store &s, int) { return *s.results().mip_gap_abs; }
double gap_rel(const Store &s, int) { return *s.results().mip_gap_rel; }

const std::string &model_name(const Store &s, int) { return s.name(); }
void set_model_name(Store &s, int, std::string &&name) { s.set_name(std::move(name)); }

// ---- Variables --------------------------------------------------------------

int is_integer(const Store &s, int j) {
  const char type = s.vars().type[to_size(j)];
  return type == 'B' || type == 'I' || type == 'N' ? 1 : 0;
}
int iis_col(const Store &s, int j) { return (*s.results().iis_col)[to_size(j)]; }
int col_basis(const Store &s, int j) { return s.results().basis->col[to_size(j)]; }

double var_lb(const Store &s, int j) { return s.vars().lb[to_size(j)]; }
double var_ub(const Store &s, int j) { return s.vars().ub[to_size(j)]; }
double var_obj(const Store &s, int j) { return s.vars().obj[to_size(j)]; }
double var_start(const Store &s, int j) { return s.vars().start[to_size(j)]; }
double var_x(const Store &s, int j) { return (*s.results().x)[to_size(j)]; }
double var_rc(const Store &s, int j) { return (*s.results().reduced_cost)[to_size(j)]; }
void set_var_lb(Store &s, int j, double value) { s.set_var_lb(j, value); }
void set_var_ub(Store &s, int j, double value) { s.set_var_ub(j, value); }
void set_var_obj(Store &s, int j, double value) { s.set_var_obj(j, value); }
void set_var_start(Store &s, int j, double value) { s.set_var_start(j, value); }

char var_type(const Store &s, int j) { return s.vars().type[to_size(j)]; }
void set_var_type(Store &s, int j, char value) { s.set_var_type(j, normal_vtype(value)); }

const std::string &var_name(const Store &s, int j) { return s.vars().names[j]; }
void set_var_name(Store &s, int j, std::string &&name) { s.set_var_name(j, std::move(name)); }

// ---- Rows (linear and PSD) --------------------------------------------------

int iis_row(const Store &s, int i) { return (*s.results().iis_row)[to_size(i)]; }
int row_basis(const Store &s, int i) { return s.results().basis->row[to_size(i)]; }

double row_lhs(const Store &s, int i) { return s.rows().lhs[to_size(i)]; }
double row_rhs(const Store &s, int i) { return s.rows().rhs[to_size(i)]; }
double row_dual(const Store &s, int i) { return (*s.results().dual)[to_size(i)]; }
double row_activity(const Store &s, int i) { return (*s.results().activity)[to_size(i)]; }
void set_row_lhs(Store &s, int i, double value) { s.set_row_lhs(i, value); }
void set_row_rhs(Store &s, int i, double value) { s.set_row_rhs(i, value); }

const std::string &row_name(const Store &s, int i) { return s.rows().names[i]; }
void set_row_name(Store &s, int i, std::string &&name) { s.set_row_name(i, std::move(name)); }

// ---- General constraints ----------------------------------------------------

int genconstr_type(const Store &s, int g) { return s.genconstrs().type[to_size(g)]; }
const std::string &genconstr_name(const Store &s, int g) { return s.genconstrs().names[g]; }
void set_genconstr_name(Store &s, int g, std::string &&name) {
  s.set_genconstr_name(g, std::move(name));
}

// ---- PSD variables ----------------------------------------------------------

int psd_dim(const Store &s, int p) { return s.psd_vars().dim[to_size(p)]; }
const std::string &psd_var_name(const Store &s, int p) { return s.psd_vars().names[p]; }
void set_psd_var_name(Store &s, int p, std::string &&name) {
  s.set_psd_var_name(p, std::move(name));
}

// The objective matrix as stored: explicit zeros and repeated positions kept.
int psd_obj_count(const Store &s, int p) { return s.psd_vars().obj.length(p); }
void psd_obj_fill(const Store &s, int p, int *pos, double *val) {
  const SparseList &obj = s.psd_vars().obj;
  // pos and val may be null when there is no entry: no memcpy.
  std::copy_n(obj.index(p), obj.length(p), pos);
  std::copy_n(obj.value(p), obj.length(p), val);
}
int set_psd_obj(Store &s, int n, const int *ind, const int *beg, int nnz, const int *pos,
                const double *val) {
  return s.set_psd_obj(n, ind, beg, nnz, pos, val);
}

// The solution is kept dense; it is handed out as its non-zero entries.
int psd_x_count(const Store &s, int p) {
  int count = 0;
  for (const double v : (*s.results().psd_x)[to_size(p)]) count += v != 0 ? 1 : 0;
  return count;
}
void psd_x_fill(const Store &s, int p, int *pos, double *val) {
  const std::vector<double> &x = (*s.results().psd_x)[to_size(p)];
  int k = 0;
  for (std::size_t e = 0; e < x.size(); ++e) {
    if (x[e] == 0) continue;
    pos[k] = static_cast<int>(e);
    val[k] = x[e];
    ++k;
  }
}

// ---- Table ------------------------------------------------------------------

constexpr AttrDef base(const char *name, int type, int kind, AttrReady ready) {
  AttrDef a{};
  a.name = name;
  a.type = type;
  a.kind = kind;
  a.ready = ready;
  return a;
}

// The slot of AttrDef that holds accessors of one data type.
constexpr void put(AttrDef &a, CharAccess acc) { a.c = acc; }
constexpr void put(AttrDef &a, IntAccess acc) { a.i = acc; }
constexpr void put(AttrDef &a, DblAccess acc) { a.d = acc; }

template <class T>
constexpr AttrDef scalar_attr(const char *name, int type, int kind, T (*get)(const Store &, int),
                              AttrReady ready, int (*check)(T), void (*set)(Store &, int, T)) {
  AttrDef a = base(name, type, kind, ready);
  put(a, ScalarAccess<T>{get, check, set});
  return a;
}

constexpr AttrDef int_attr(const char *name, int kind, int (*get)(const Store &, int),
                           AttrReady ready = nullptr, int (*check)(int) = nullptr,
                           void (*set)(Store &, int, int) = nullptr) {
  return scalar_attr(name, TVX_ATTRTYPE_INT, kind, get, ready, check, set);
}

constexpr AttrDef dbl_attr(const char *name, int kind, double (*get)(const Store &, int),
                           AttrReady ready = nullptr, int (*check)(double) = nullptr,
                           void (*set)(Store &, int, double) = nullptr) {
  return scalar_attr(name, TVX_ATTRTYPE_DBL, kind, get, ready, check, set);
}

constexpr AttrDef dbl_rw(const char *name, int kind, double (*get)(const Store &, int),
                         int (*check)(double), void (*set)(Store &, int, double)) {
  return dbl_attr(name, kind, get, nullptr, check, set);
}

// Every name is writable.
constexpr AttrDef str_attr(const char *name, int kind,
                           const std::string &(*get)(const Store &, int),
                           void (*set)(Store &, int, std::string &&)) {
  AttrDef a = base(name, TVX_ATTRTYPE_STR, kind, nullptr);
  a.s = StrAccess{get, set};
  return a;
}

constexpr AttrDef char_attr(const char *name, int kind, char (*get)(const Store &, int),
                            int (*check)(char), void (*set)(Store &, int, char)) {
  return scalar_attr(name, TVX_ATTRTYPE_CHAR, kind, get, nullptr, check, set);
}

constexpr AttrDef mat_attr(const char *name, int kind, int (*count)(const Store &, int),
                           void (*fill)(const Store &, int, int *, double *), AttrReady ready,
                           int (*set)(Store &, int, const int *, const int *, int, const int *,
                                      const double *)) {
  AttrDef a = base(name, TVX_ATTRTYPE_MAT, kind, ready);
  a.m = MatAccess{psd_dim, count, fill, set};
  return a;
}

constexpr AttrDef kAttrs[kNumAttrs] = {
    int_attr("MinSense", kModel, min_sense),
    int_attr("ModelSense", kModel, model_sense, nullptr, check_sense, set_model_sense),
    int_attr("HasSolution", kModel, has_solution),
    int_attr("HasPrimalRay", kModel, has_primal_ray),
    int_attr("HasDualRay", kModel, has_dual_ray),
    int_attr("NumVars", kModel, num_vars),
    int_attr("NumConss", kModel, num_rows),
    int_attr("NumConstrs", kModel, num_rows),
    int_attr("NumSOS", kModel, num_sos),
    int_attr("NumGenConstrs", kModel, num_genconstrs),
    int_attr("NumEnts", kModel, num_nz, ready_num_nz),
    int_attr("NumNZs", kModel, num_nz, ready_num_nz),
    int_attr("SPX/NumIters", kModel, spx_iters, ready_stats),
    int_attr("IPM/NumIters", kModel, ipm_iters, ready_stats),
    int_attr("IsInteger", kVar, is_integer),
    int_attr("IISVar", kVar, iis_col, ready_iis_col),
    int_attr("IISConstr", kRow, iis_row, ready_iis_row),
    int_attr("IISCol", kVar, iis_col, ready_iis_col),
    int_attr("IISRow", kRow, iis_row, ready_iis_row),
    int_attr("ColBasis", kVar, col_basis, ready_col_basis),
    int_attr("RowBasis", kRow, row_basis, ready_row_basis),
    int_attr("GenConstrType", kGen, genconstr_type),
    int_attr("Status", kModel, status),
    int_attr("Dim", kPsdVar, psd_dim),
    int_attr("NumPsdVars", kModel, num_psd_vars),
    int_attr("NumPsdConstrs", kModel, num_psd_rows),
    dbl_rw("ObjConst", kModel, objcon, check_finite, set_objcon),
    dbl_rw("ObjCon", kModel, objcon, check_finite, set_objcon),
    dbl_attr("PrimalObjVal", kModel, primal_obj, ready_primal_obj),
    dbl_attr("ObjVal", kModel, primal_obj, ready_primal_obj),
    dbl_attr("DualObjVal", kModel, dual_obj, ready_dual_obj),
    dbl_attr("PresolverTime", kModel, presolve_time, ready_stats),
    dbl_attr("SolverTime", kModel, solver_time, ready_stats),
    dbl_attr("SolutionTime", kModel, total_time, ready_stats),
    dbl_attr("MIP/GapAbs", kModel, gap_abs, ready_gap_abs),
    dbl_attr("MIP/GapRel", kModel, gap_rel, ready_gap_rel),
    dbl_rw("LB", kVar, var_lb, check_bound, set_var_lb),
    dbl_rw("UB", kVar, var_ub, check_bound, set_var_ub),
    dbl_rw("Obj", kVar, var_obj, check_finite, set_var_obj),
    dbl_rw("LHS", kRow, row_lhs, check_bound, set_row_lhs),
    dbl_rw("RHS", kRow, row_rhs, check_bound, set_row_rhs),
    dbl_attr("PrimalSoln", kVar, var_x, ready_x),
    dbl_attr("X", kVar, var_x, ready_x),
    dbl_rw("Start", kVar, var_start, check_finite, set_var_start),
    dbl_attr("DualSoln", kRow, row_dual, ready_dual),
    dbl_attr("Activity", kRow, row_activity, ready_activity),
    dbl_attr("ReducedCost", kVar, var_rc, ready_rc),
    dbl_attr("RC", kVar, var_rc, ready_rc),
    dbl_rw("PsdCLHS", kPsdRow, row_lhs, check_bound, set_row_lhs),
    dbl_rw("PsdCRHS", kPsdRow, row_rhs, check_bound, set_row_rhs),
    str_attr("ProbName", kModel, model_name, set_model_name),
    str_attr("ModelName", kModel, model_name, set_model_name),
    str_attr("RowName", kRow, row_name, set_row_name),
    str_attr("ConstrName", kRow, row_name, set_row_name),
    str_attr("ColName", kVar, var_name, set_var_name),
    str_attr("VarName", kVar, var_name, set_var_name),
    str_attr("PsdVarName", kPsdVar, psd_var_name, set_psd_var_name),
    str_attr("PsdCName", kPsdRow, row_name, set_row_name),
    str_attr("GenConstrName", kGen, genconstr_name, set_genconstr_name),
    char_attr("VType", kVar, var_type, check_vtype, set_var_type),
    mat_attr("PsdX", kPsdVar, psd_x_count, psd_x_fill, ready_psd_x, nullptr),
    mat_attr("PsdObj", kPsdVar, psd_obj_count, psd_obj_fill, nullptr, set_psd_obj),
};

}  // namespace

bool AttrDef::settable() const {
  switch (type) {
    case TVX_ATTRTYPE_CHAR:
      return c.set != nullptr;
    case TVX_ATTRTYPE_INT:
      return i.set != nullptr;
    case TVX_ATTRTYPE_DBL:
      return d.set != nullptr;
    case TVX_ATTRTYPE_STR:
      return s.set != nullptr;
    case TVX_ATTRTYPE_MAT:
      return m.set != nullptr;
    default:
      return false;
  }
}

const AttrDef &attr_def(int index) { return kAttrs[index]; }

// Sixty-odd short comparisons; not worth a hash table.
const AttrDef *find_attr(const char *name) {
  for (const AttrDef &def : kAttrs) {
    if (std::strcmp(def.name, name) == 0) return &def;
  }
  return nullptr;
}

}  // namespace tvx
