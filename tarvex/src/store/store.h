// The model store: every element of a model, kept exactly as received, and
// the results of its last solve.
//
// Element kinds and their index spaces: variables, rows (linear and PSD rows
// share one space: row k is one or the other), SOS, general constraints and
// PSD variables. Indices are 32-bit and dense: after a deletion the survivors
// of that kind are renumbered 0.. in their old order, and every reference to
// a renumbered variable is rewritten.
//
// Operations on whole batches (adding, deleting, changing coefficients) take
// the caller's C arrays, validate all of them, then apply: a refused batch
// returns its status and changes nothing. They are written in three steps,
// validate, prepare (every allocation), commit (no allocation, nothing that
// throws), so an exhausted memory leaves the store as it was too.
//
// Single-field setters (set_var_lb, ...) take an index and a value already
// checked with the validators below; a list call validates its whole list
// first and then sets element by element.
//
// A Store is not thread-safe: its owner (Model) serialises access. Several
// members are caches kept behind const accessors (the name index, the column
// view), so even reads need that serialisation.
#ifndef TARVEX_STORE_STORE_H
#define TARVEX_STORE_STORE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/numeric.h"
#include "store/name_table.h"
#include "store/sparse_list.h"
#include "tarvex.h"

namespace tvx {

constexpr double kUndefined = TVX_UNDEFINED;  // a MIP start entry without a value

// Variable types ('C', 'B', 'I', 'S', 'N'): integer values only, and 0 allowed
// outside the bounds.
inline bool is_integral_type(char type) { return type == 'B' || type == 'I' || type == 'N'; }
inline bool is_semi_type(char type) { return type == 'S' || type == 'N'; }

// ---- Validators -----------------------------------------------------------

// Bounds may be infinite (either sign, either form: 1e20 or IEEE infinity)
// but not NaN. Coefficients, objective values and weights must be finite.
bool valid_bound(double value);
bool valid_coeff(double value);
// 'C', 'B', 'I', 'S', 'N', in either case; 0 when invalid, else the
// upper-case type that is stored.
char normal_vtype(char type);
// A name is any valid UTF-8 text (NULL reads as the empty name, "no name").
bool valid_name(const char *name);

// ---- Element data ---------------------------------------------------------

struct Vars {
  std::vector<double> lb, ub, obj;
  std::vector<double> start;  // MIP start, kUndefined where none is given
  std::vector<char> type;     // 'C', 'B', 'I', 'S' or 'N'
  NameTable names;

  // The bounds of variable j as a solve takes them: infinite ones as IEEE
  // infinities, a binary's narrowed to [0, 1].
  double solve_lb(int j) const {
    const double lower = finite_or_inf(lb[to_size(j)]);
    return type[to_size(j)] == 'B' ? std::max(lower, 0.0) : lower;
  }
  double solve_ub(int j) const {
    const double upper = finite_or_inf(ub[to_size(j)]);
    return type[to_size(j)] == 'B' ? std::min(upper, 1.0) : upper;
  }
};

struct Rows {
  std::vector<double> lhs, rhs;  // lhs <= a.x (+ PSD terms) <= rhs
  SparseList terms;              // linear coefficients, entry index = variable
  std::vector<int> psd;          // index into psd_parts, -1 for a linear row
  NameTable names;
};

// The PSD terms of one PSD row: for each k, <matrix k, PSD variable var[k]>,
// matrix k being the entries pos/val from beg[k] to beg[k+1] (the end for the
// last), each a row-major position r * dim + c.
struct PsdRowPart {
  std::vector<int> var, beg, pos;
  std::vector<double> val;

  // Matrix k: pos/val from run_begin(k) up to run_end(k).
  int run_begin(std::size_t k) const { return beg[k]; }
  int run_end(std::size_t k) const { return k + 1 < var.size() ? beg[k + 1] : int_size(pos); }
};

struct SosSets {
  std::vector<int> type;  // TVX_SOS_TYPE1 or TVX_SOS_TYPE2
  SparseList members;     // entry index = variable, value = weight
};

// General constraints; only indicators exist: when variable binvar takes
// binval, terms sense rhs must hold.
struct GenConstrs {
  std::vector<int> type;  // TVX_GENCONSTR_INDICATOR
  std::vector<int> binvar, binval;
  std::vector<char> sense;  // '<', '>' or '='
  std::vector<double> rhs;
  SparseList terms;  // entry index = variable
  NameTable names;
};

struct PsdVars {
  std::vector<int> dim;
  SparseList obj;  // objective matrix, entry index = row-major position
  NameTable names;
};

// Quadratic objective terms val[k] * x[row[k]] * x[col[k]], as given: neither
// merged nor mirrored.
struct QTerms {
  std::vector<int> row, col;
  std::vector<double> val;
};

// The columns of the linear rows: column j is row/val from beg[j] to
// beg[j + 1], rows ascending.
struct ColumnView {
  std::vector<std::size_t> beg;  // num_vars + 1 entries
  std::vector<int> row;
  std::vector<double> val;
};

// A basis status: a variable, or a row's activity, nonbasic at its lower
// bound, basic, nonbasic at its upper bound, or nonbasic between its bounds
// (a free variable at zero). A fixed one counts as at its lower bound.
enum BasisStatus : int {
  kBasisLower = 0,
  kBasisBasic = 1,
  kBasisUpper = 2,
  kBasisSuperbasic = 3,
};

struct Basis {
  std::vector<int> col, row;  // one BasisStatus per variable, per row
};

struct SolveStats {
  int spx_iters = 0;
  int ipm_iters = 0;
  double presolve_time = 0;
  double solver_time = 0;
  double total_time = 0;
};

// What the last solve or IIS computation left. Every slot is absent until
// one fills it, and any change of the problem empties them all (the status
// goes back to UNKNOWN), so a slot present is always about the model as it
// stands. Vectors have one entry per element of their kind.
struct Results {
  int status = TVX_STATUS_UNKNOWN;
  std::optional<double> primal_obj, dual_obj, mip_gap_abs, mip_gap_rel;
  std::optional<std::vector<double>> x, reduced_cost;     // per variable
  std::optional<std::vector<double>> dual, activity;      // per row
  std::optional<std::vector<std::vector<double>>> psd_x;  // per PSD variable, dim * dim row-major
  std::optional<std::vector<double>> primal_ray;          // per variable
  std::optional<std::vector<double>> dual_ray;            // per row
  std::optional<Basis> basis;
  std::optional<std::vector<int>> iis_col, iis_row;  // non-zero: in the IIS
  std::optional<SolveStats> stats;
};

// ---- The store ------------------------------------------------------------

class Store {
 public:
  Store() = default;
  // A copy holds the same problem, names, MIP start and start basis, and no
  // results.
  Store(const Store &other);
  Store &operator=(const Store &) = delete;
  // A copy of everything, results and revision included: the same model in
  // every respect, to be changed while the original stays as it is.
  std::shared_ptr<Store> clone() const;

  // Counts.
  int num_vars() const { return int_size(vars_.lb); }
  int num_rows() const { return int_size(rows_.lhs); }
  int num_psd_rows() const { return int_size(psd_parts_); }
  int num_sos() const { return int_size(sos_.type); }
  int num_genconstrs() const { return int_size(gen_.type); }
  int num_psd_vars() const { return int_size(psd_vars_.dim); }
  std::size_t num_nz() const { return rows_.terms.nnz(); }  // linear parts of all rows

  const std::string &name() const { return name_; }
  int sense() const { return sense_; }  // TVX_MINIMIZE or TVX_MAXIMIZE
  double objcon() const { return objcon_; }
  const Vars &vars() const { return vars_; }
  const Rows &rows() const { return rows_; }
  const PsdRowPart *psd_part(int row) const;  // null for a linear row
  const SosSets &sos() const { return sos_; }
  const GenConstrs &genconstrs() const { return gen_; }
  const PsdVars &psd_vars() const { return psd_vars_; }
  const QTerms &qterms() const { return q_; }
  // Built on first use after any change of the linear coefficients; the
  // reference is valid until the next change of the store.
  const ColumnView &columns() const;
  // A basis to start the next solve from, absent after any change of the
  // variables or rows.
  const std::optional<Basis> &start_basis() const { return start_basis_; }

  // Gives back the room the arrays reserved for growth: a solve keeps the
  // model as it is for its whole run. Only capacities change; no element,
  // revision or result does. Without memory to move an array, it stays.
  void trim() noexcept;

  // Counts the changes of the problem; a solve that ran without the lock
  // stores its results only if this has not moved.
  std::uint64_t revision() const { return revision_; }
  const Results &results() const { return results_; }
  void set_results(Results results) noexcept;
  void clear_results() noexcept;

  // ---- Batches: validated whole, then applied (see the file comment) ----
  // The layouts are those of the TVX functions of the same purpose.

  // Column-wise coefficients beg/ind/val (nnz 0 and all three null for
  // none); obj, lb, ub, vtype, names: n entries each or null for the
  // defaults (0, 0, infinite, 'C', no name).
  int add_vars(int n, int nnz, const int *beg, const int *ind, const double *val, const double *obj,
               const double *lb, const double *ub, const char *vtype, const char *const *names);
  // lower/upper null: unbounded on that side for every row.
  int add_rows(int n, int nnz, const int *beg, const int *ind, const double *val,
               const double *lower, const double *upper, const char *const *names);
  int add_sos(int n, int nnz, const int *types, const int *beg, const int *ind,
              const double *weight);
  int add_indicator(const char *name, int binvar, int binval, int nnz, const int *ind,
                    const double *val, char sense, double rhs);
  int add_qterms(int n, const int *row, const int *col, const double *val);
  void clear_qterms() noexcept;
  int add_psd_var(int dim, int nnz, const int *pos, const double *val, const char *name);
  int add_psd_row(int lnnz, const int *lind, const double *lval, int npsd, const int *vidx,
                  const int *beg, int pnnz, const int *pos, const double *val, double lower,
                  double upper, const char *name);
  // Sets coefficient (row[k], col[k]) to val[k]; a later pair wins over an
  // earlier equal one. A zero is stored as an explicit entry.
  int set_coeffs(int n, const int *row, const int *col, const double *val);
  // Replaces the objective matrices of the PSD variables which[0..n): the
  // entries pos/val from beg[i] to beg[i + 1] (nnz for the last).
  int set_psd_obj(int n, const int *which, const int *beg, int nnz, const int *pos,
                  const double *val);

  // Indices in any order, repeats allowed. Deleting the binary variable of
  // an indicator is refused with MODEL_INVALID_INDICATOR_COL_IDX.
  int delete_vars(int n, const int *ind);
  int delete_rows(int n, const int *ind);
  int delete_sos(int n, const int *ind);
  int delete_genconstrs(int n, const int *ind);

  // ---- Single fields: index and value checked by the caller ----
  void set_name(std::string &&name) noexcept { name_ = std::move(name); }
  void set_sense(int sense) noexcept;
  void set_objcon(double value) noexcept;
  void set_var_lb(int j, double value) noexcept;
  void set_var_ub(int j, double value) noexcept;
  void set_var_obj(int j, double value) noexcept;
  void set_var_type(int j, char normal_type) noexcept;
  void set_var_start(int j, double value) noexcept { vars_.start[to_size(j)] = value; }
  void set_var_name(int j, std::string &&name) { vars_.names.set(j, std::move(name)); }
  void set_row_lhs(int i, double value) noexcept;
  void set_row_rhs(int i, double value) noexcept;
  void set_row_name(int i, std::string &&name) { rows_.names.set(i, std::move(name)); }
  void set_genconstr_name(int g, std::string &&name) { gen_.names.set(g, std::move(name)); }
  void set_psd_var_name(int p, std::string &&name) { psd_vars_.names.set(p, std::move(name)); }
  // Row and column statuses, one per row and variable.
  void set_start_basis(Basis basis) noexcept { start_basis_ = std::move(basis); }
  void clear_start_basis() noexcept { start_basis_.reset(); }

 private:
  // Every change of the problem goes through here.
  void touch() noexcept;
  // One field of the problem set to value.
  template <class T>
  void change(T &field, T value) noexcept {
    field = value;
    touch();
  }
  void matrix_changed() noexcept;
  void shape_changed() noexcept;

  std::string name_;
  int sense_ = TVX_MINIMIZE;
  double objcon_ = 0;
  Vars vars_;
  Rows rows_;
  std::vector<PsdRowPart> psd_parts_;
  SosSets sos_;
  GenConstrs gen_;
  PsdVars psd_vars_;
  QTerms q_;
  std::optional<Basis> start_basis_;
  Results results_;
  std::uint64_t revision_ = 0;
  mutable std::shared_ptr<const ColumnView> columns_;  // immutable once built
};

}  // namespace tvx

#endif
