#include "store/store.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

#include "core/status.h"
#include "store/vector_ops.h"

namespace tvx {
namespace {

// Largest PSD dimension whose row-major positions fit a 32-bit int.
constexpr int kMaxPsdDim = 46340;

bool fits(int have, int extra) { return extra <= INT_MAX - have; }

// ---- Refusals that name what they refuse (core/status.h) --------------------

std::string var_text(int j) { return element_text(TVX_ATTRKIND_VAR, j); }
std::string row_text(int i) { return element_text(TVX_ATTRKIND_LINCONSTR, i); }
std::string psd_var_text(int p) { return element_text(TVX_ATTRKIND_PSDVAR, p); }
// Row-major position pos of a dim x dim matrix.
std::string entry_text(int pos, int dim) {
  return "entry (" + std::to_string(pos / dim) + ", " + std::to_string(pos % dim) + ")";
}

// kBadData, with "<what> cannot be <value>" as the detail.
int refuse_value(const std::string &what, double value) {
  return fail_with(kBadData, what + " cannot be " + number_text(value));
}

// TVX_ERROR_OKAY when val[0..n) are all finite, else the refusal of the first that is
// not, named by what(k).
template <class What>
int finite_values(const double *val, int n, What what) {
  for (int k = 0; k < n; ++k) {
    if (!valid_coeff(val[k])) return refuse_value(what(k), val[k]);
  }
  return TVX_ERROR_OKAY;
}

// The two sides of a variable and of a row, as refusals name them.
const char *const kVarSides[] = {"the lower bound of ", "the upper bound of "};
const char *const kRowSides[] = {"the left-hand side of ", "the right-hand side of "};

// TVX_ERROR_OKAY when lower[k] and upper[k] (either array null: none given) are valid
// bounds, else the refusal of the first that is not, as sides[0 or 1] of
// the element of().
template <class Of>
int bound_values(const double *lower, const double *upper, int k, const char *const sides[2],
                 Of of) {
  if (lower != nullptr && !valid_bound(lower[k])) return refuse_value(sides[0] + of(), lower[k]);
  if (upper != nullptr && !valid_bound(upper[k])) return refuse_value(sides[1] + of(), upper[k]);
  return TVX_ERROR_OKAY;
}

// A start array for n vectors over nnz entries: vector k holds entries
// beg[k] up to beg[k + 1] (nnz for the last). Every entry belongs to one
// vector, so beg[0] is 0. beg may be null only when there are no entries.
int check_starts(int n, int nnz, const int *beg) {
  if (n == 0) return nnz == 0 ? TVX_ERROR_OKAY : kBadData;
  if (beg == nullptr) return nnz == 0 ? TVX_ERROR_OKAY : kBadArgument;
  if (beg[0] != 0) return kBadData;
  for (int k = 1; k < n; ++k) {
    if (beg[k] < beg[k - 1] || beg[k] > nnz) return kBadData;
  }
  return TVX_ERROR_OKAY;
}

int run_begin(const int *beg, int k) { return beg == nullptr ? 0 : beg[k]; }
int run_end(int n, int nnz, const int *beg, int k) {
  return beg == nullptr ? 0 : (k + 1 < n ? beg[k + 1] : nnz);
}
// The vector holding entry e of checked starts (check_starts).
int run_of(int n, const int *beg, int e) {
  return static_cast<int>(std::upper_bound(beg, beg + n, e) - beg) - 1;
}

// Checks the indices of one sparse vector: each in [0, limit), none twice.
class IndexChecker {
 public:
  int check(const int *ind, int n, int limit, int range_code) {
    bool ascending = true;
    for (int k = 0; k < n; ++k) {
      if (ind[k] < 0 || ind[k] >= limit) return range_code;
      if (k > 0 && ind[k] <= ind[k - 1]) ascending = false;
    }
    if (ascending) return TVX_ERROR_OKAY;
    scratch_.assign(ind, ind + n);
    std::sort(scratch_.begin(), scratch_.end());
    return std::adjacent_find(scratch_.begin(), scratch_.end()) == scratch_.end() ? TVX_ERROR_OKAY
                                                                                  : kBadData;
  }

 private:
  std::vector<int> scratch_;  // reused across the vectors of a batch
};

// The n names of a batch (names null: none), validated and copied.
// out: n names, or none when no element gets one (names null, or every
// name empty), so an unnamed batch makes no strings.
int collect_names(int n, const char *const *names, int code, std::vector<std::string> &out) {
  out.clear();
  if (names == nullptr) return TVX_ERROR_OKAY;
  bool named = false;
  for (int k = 0; k < n; ++k) {
    if (!valid_name(names[k])) return code;
    named = named || (names[k] != nullptr && names[k][0] != '\0');
  }
  if (!named) return TVX_ERROR_OKAY;
  out.resize(to_size(n));
  for (int k = 0; k < n; ++k) {
    if (names[k] != nullptr) out[to_size(k)] = names[k];
  }
  return TVX_ERROR_OKAY;
}

// Name k of a batch that collect_names gave (empty when it gave none).
std::string take_name(std::vector<std::string> &names, int k) {
  return names.empty() ? std::string() : std::move(names[to_size(k)]);
}

int collect_name(const char *name, int code, std::string &out) {
  if (!valid_name(name)) return code;
  if (name != nullptr) out = name;
  return TVX_ERROR_OKAY;
}

// Gives each vector named in targets room for as many new entries as it is
// named there. Sorting the targets, rather than counting into an array as
// long as the list, keeps adding one column to a large model O(its entries).
void reserve_pushes(SparseList &list, std::vector<int> targets) {
  std::sort(targets.begin(), targets.end());
  for (std::size_t k = 0; k < targets.size();) {
    std::size_t end = k;
    while (end < targets.size() && targets[end] == targets[k]) ++end;
    list.reserve_push(targets[k], static_cast<int>(end - k));
    k = end;
  }
}

// The survivors' new indices when ind[0..n) are deleted from count elements.
int deletion_map(int n, const int *ind, int count, int range_code, std::vector<int> &new_index) {
  if (n < 0 || (n > 0 && ind == nullptr)) return kBadArgument;
  for (int k = 0; k < n; ++k) {
    if (ind[k] < 0 || ind[k] >= count) return range_code;
  }
  new_index.assign(to_size(count), 0);
  for (int k = 0; k < n; ++k) new_index[to_size(ind[k])] = -1;
  int next = 0;
  for (int &i : new_index) {
    if (i == 0) i = next++;
  }
  return TVX_ERROR_OKAY;
}

}  // namespace

// ---- Validators -----------------------------------------------------------

bool valid_bound(double value) { return !std::isnan(value); }

bool valid_coeff(double value) { return std::isfinite(value); }

char normal_vtype(char type) {
  switch (type) {
    case 'C':
    case 'c':
      return 'C';
    case 'B':
    case 'b':
      return 'B';
    case 'I':
    case 'i':
      return 'I';
    case 'S':
    case 's':
      return 'S';
    case 'N':
    case 'n':
      return 'N';
    default:
      return 0;
  }
}

bool valid_name(const char *name) {
  if (name == nullptr) return true;
  const auto *s = reinterpret_cast<const unsigned char *>(name);
  while (*s != 0) {
    const unsigned c = *s;
    if (c < 0x80) {
      ++s;
      continue;
    }
    int more;
    unsigned code;
    unsigned least;
    if ((c & 0xE0) == 0xC0) {
      more = 1, code = c & 0x1F, least = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      more = 2, code = c & 0x0F, least = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      more = 3, code = c & 0x07, least = 0x10000;
    } else {
      return false;
    }
    // A NUL ends the loop as a bad continuation byte: no read past the text.
    for (int k = 1; k <= more; ++k) {
      if ((s[k] & 0xC0) != 0x80) return false;
      code = (code << 6) | (s[k] & 0x3F);
    }
    // Overlong forms, surrogates and code points beyond Unicode.
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    s += more + 1;
  }
  return true;
}

// ---- Store ----------------------------------------------------------------

Store::Store(const Store &other)
    : name_(other.name_),
      sense_(other.sense_),
      objcon_(other.objcon_),
      vars_(other.vars_),
      rows_(other.rows_),
      psd_parts_(other.psd_parts_),
      sos_(other.sos_),
      gen_(other.gen_),
      psd_vars_(other.psd_vars_),
      q_(other.q_),
      start_basis_(other.start_basis_),
      columns_(other.columns_) {}

std::shared_ptr<Store> Store::clone() const {
  auto copy = std::make_shared<Store>(*this);
  copy->results_ = results_;
  copy->revision_ = revision_;
  return copy;
}

const PsdRowPart *Store::psd_part(int row) const {
  const int part = rows_.psd[to_size(row)];
  return part < 0 ? nullptr : &psd_parts_[to_size(part)];
}

void Store::touch() noexcept {
  ++revision_;
  results_ = Results();
}

void Store::matrix_changed() noexcept { columns_.reset(); }

void Store::shape_changed() noexcept { start_basis_.reset(); }

void Store::trim() noexcept {
  for (auto *v : {&vars_.lb, &vars_.ub, &vars_.obj, &vars_.start, &rows_.lhs, &rows_.rhs})
    shrink(*v);
  shrink(vars_.type);
  shrink(rows_.psd);
  rows_.terms.trim();
}

void Store::set_results(Results results) noexcept { results_ = std::move(results); }

void Store::clear_results() noexcept { results_ = Results(); }

const ColumnView &Store::columns() const {
  if (columns_) return *columns_;
  auto view = std::make_shared<ColumnView>();
  const std::size_t n = to_size(num_vars());
  view->beg.assign(n + 1, 0);
  view->row.resize(num_nz());
  view->val.resize(num_nz());
  const SparseList &terms = rows_.terms;
  for (int i = 0; i < num_rows(); ++i) {
    const int *ind = terms.index(i);
    for (int e = 0; e < terms.length(i); ++e) ++view->beg[to_size(ind[e]) + 1];
  }
  for (std::size_t j = 0; j < n; ++j) view->beg[j + 1] += view->beg[j];
  std::vector<std::size_t> next(view->beg.begin(), view->beg.end() - 1);
  for (int i = 0; i < num_rows(); ++i) {
    const int *ind = terms.index(i);
    const double *val = terms.value(i);
    for (int e = 0; e < terms.length(i); ++e) {
      const std::size_t at = next[to_size(ind[e])]++;
      view->row[at] = i;
      view->val[at] = val[e];
    }
  }
  columns_ = std::move(view);
  return *columns_;
}

// ---- Adding ---------------------------------------------------------------

int Store::add_vars(int n, int nnz, const int *beg, const int *ind, const double *val,
                    const double *obj, const double *lb, const double *ub, const char *vtype,
                    const char *const *names) {
  if (n < 0 || nnz < 0 || !fits(num_vars(), n)) return kBadArgument;
  if (nnz > 0 && (ind == nullptr || val == nullptr)) return kBadArgument;
  int rc = check_starts(n, nnz, beg);
  if (rc != TVX_ERROR_OKAY || n == 0) return rc;
  IndexChecker checker;
  for (int j = 0; j < n; ++j) {
    const int b = run_begin(beg, j);
    rc = checker.check(ind + b, run_end(n, nnz, beg, j) - b, num_rows(),
                       TVX_ERROR_MODEL_INVALID_ROW_IDX);
    if (rc != TVX_ERROR_OKAY) return rc;
  }
  const int first = num_vars();
  rc = finite_values(val, nnz, [&](int e) {
    return "the coefficient of " + var_text(first + run_of(n, beg, e)) + " in " + row_text(ind[e]);
  });
  if (rc == TVX_ERROR_OKAY && obj != nullptr) {
    rc = finite_values(
        obj, n, [&](int j) { return "the objective coefficient of " + var_text(first + j); });
  }
  if (rc != TVX_ERROR_OKAY) return rc;
  for (int j = 0; j < n; ++j) {
    rc = bound_values(lb, ub, j, kVarSides, [&] { return var_text(first + j); });
    if (rc != TVX_ERROR_OKAY) return rc;
    if (vtype != nullptr && normal_vtype(vtype[j]) == 0) {
      return fail_with(kBadData,
                       "the type of " + var_text(first + j) + " cannot be " + char_text(vtype[j]));
    }
  }
  std::vector<std::string> new_names;
  rc = collect_names(n, names, TVX_ERROR_MODEL_INVALID_COL_NAME, new_names);
  if (rc != TVX_ERROR_OKAY) return rc;

  const auto count = to_size(n);
  grow(vars_.lb, count);
  grow(vars_.ub, count);
  grow(vars_.obj, count);
  grow(vars_.start, count);
  grow(vars_.type, count);
  vars_.names.reserve_extra(count, !new_names.empty());
  if (nnz > 0) reserve_pushes(rows_.terms, std::vector<int>(ind, ind + nnz));

  for (int j = 0; j < n; ++j) {
    vars_.lb.push_back(lb != nullptr ? lb[j] : 0.0);
    vars_.ub.push_back(ub != nullptr ? ub[j] : kInfinity);
    vars_.obj.push_back(obj != nullptr ? obj[j] : 0.0);
    vars_.start.push_back(kUndefined);
    vars_.type.push_back(vtype != nullptr ? normal_vtype(vtype[j]) : 'C');
    vars_.names.append(take_name(new_names, j));
    for (int e = run_begin(beg, j); e < run_end(n, nnz, beg, j); ++e) {
      rows_.terms.push(ind[e], first + j, val[e]);
    }
  }
  matrix_changed();
  shape_changed();
  touch();
  return TVX_ERROR_OKAY;
}

int Store::add_rows(int n, int nnz, const int *beg, const int *ind, const double *val,
                    const double *lower, const double *upper, const char *const *names) {
  if (n < 0 || nnz < 0 || !fits(num_rows(), n)) return kBadArgument;
  if (nnz > 0 && (ind == nullptr || val == nullptr)) return kBadArgument;
  int rc = check_starts(n, nnz, beg);
  if (rc != TVX_ERROR_OKAY || n == 0) return rc;
  IndexChecker checker;
  for (int i = 0; i < n; ++i) {
    const int b = run_begin(beg, i);
    rc = checker.check(ind + b, run_end(n, nnz, beg, i) - b, num_vars(),
                       TVX_ERROR_MODEL_INVALID_COL_IDX);
    if (rc != TVX_ERROR_OKAY) return rc;
  }
  const int first = num_rows();
  rc = finite_values(val, nnz, [&](int e) {
    return "the coefficient of " + var_text(ind[e]) + " in " + row_text(first + run_of(n, beg, e));
  });
  for (int i = 0; i < n && rc == TVX_ERROR_OKAY; ++i) {
    rc = bound_values(lower, upper, i, kRowSides, [&] { return row_text(first + i); });
  }
  if (rc != TVX_ERROR_OKAY) return rc;
  std::vector<std::string> new_names;
  rc = collect_names(n, names, TVX_ERROR_MODEL_INVALID_ROW_NAME, new_names);
  if (rc != TVX_ERROR_OKAY) return rc;

  const auto count = to_size(n);
  grow(rows_.lhs, count);
  grow(rows_.rhs, count);
  grow(rows_.psd, count);
  rows_.names.reserve_extra(count, !new_names.empty());
  rows_.terms.reserve_append(count, to_size(nnz));

  for (int i = 0; i < n; ++i) {
    const int b = run_begin(beg, i);
    rows_.lhs.push_back(lower != nullptr ? lower[i] : -kInfinity);
    rows_.rhs.push_back(upper != nullptr ? upper[i] : kInfinity);
    rows_.psd.push_back(-1);
    rows_.names.append(take_name(new_names, i));
    rows_.terms.append(run_end(n, nnz, beg, i) - b, ind + b, val + b);
  }
  matrix_changed();
  shape_changed();
  touch();
  return TVX_ERROR_OKAY;
}

int Store::add_sos(int n, int nnz, const int *types, const int *beg, const int *ind,
                   const double *weight) {
  if (n < 0 || nnz < 0 || !fits(num_sos(), n)) return kBadArgument;
  if ((n > 0 && types == nullptr) || (nnz > 0 && (ind == nullptr || weight == nullptr)))
    return kBadArgument;
  int rc = check_starts(n, nnz, beg);
  if (rc != TVX_ERROR_OKAY || n == 0) return rc;
  IndexChecker checker;
  for (int s = 0; s < n; ++s) {
    if (types[s] != TVX_SOS_TYPE1 && types[s] != TVX_SOS_TYPE2)
      return TVX_ERROR_MODEL_INVALID_SOS_TYPE;
    const int b = run_begin(beg, s);
    rc = checker.check(ind + b, run_end(n, nnz, beg, s) - b, num_vars(),
                       TVX_ERROR_MODEL_INVALID_COL_IDX);
    if (rc != TVX_ERROR_OKAY) return rc;
  }
  const int first = num_sos();
  rc = finite_values(weight, nnz, [&](int e) {
    return "the weight of " + var_text(ind[e]) + " in " +
           element_text(TVX_ATTRKIND_SOS, first + run_of(n, beg, e));
  });
  if (rc != TVX_ERROR_OKAY) return rc;

  grow(sos_.type, to_size(n));
  sos_.members.reserve_append(to_size(n), to_size(nnz));
  for (int s = 0; s < n; ++s) {
    const int b = run_begin(beg, s);
    sos_.type.push_back(types[s]);
    sos_.members.append(run_end(n, nnz, beg, s) - b, ind + b, weight + b);
  }
  touch();
  return TVX_ERROR_OKAY;
}

int Store::add_indicator(const char *name, int binvar, int binval, int nnz, const int *ind,
                         const double *val, char sense, double rhs) {
  if (nnz < 0 || (nnz > 0 && (ind == nullptr || val == nullptr)) || !fits(num_genconstrs(), 1))
    return kBadArgument;
  if (binvar < 0 || binvar >= num_vars()) return TVX_ERROR_MODEL_INVALID_INDICATOR_COL_IDX;
  if (binval != 0 && binval != 1) return kBadData;
  IndexChecker checker;
  int rc = checker.check(ind, nnz, num_vars(), TVX_ERROR_MODEL_INVALID_COL_IDX);
  if (rc != TVX_ERROR_OKAY) return rc;
  const std::string constr = element_text(TVX_ATTRKIND_GENCONSTR, num_genconstrs());
  rc = finite_values(
      val, nnz, [&](int e) { return "the coefficient of " + var_text(ind[e]) + " in " + constr; });
  if (rc == TVX_ERROR_OKAY)
    rc = bound_values(nullptr, &rhs, 0, kRowSides, [&]() -> const std::string & { return constr; });
  if (rc != TVX_ERROR_OKAY) return rc;
  if (sense != '<' && sense != '>' && sense != '=') return kBadData;
  std::string new_name;
  rc = collect_name(name, TVX_ERROR_MODEL_INVALID_ROW_NAME, new_name);
  if (rc != TVX_ERROR_OKAY) return rc;

  grow(gen_.type, 1);
  grow(gen_.binvar, 1);
  grow(gen_.binval, 1);
  grow(gen_.sense, 1);
  grow(gen_.rhs, 1);
  gen_.names.reserve_extra(1, !new_name.empty());
  gen_.terms.reserve_append(1, to_size(nnz));
  gen_.type.push_back(TVX_GENCONSTR_INDICATOR);
  gen_.binvar.push_back(binvar);
  gen_.binval.push_back(binval);
  gen_.sense.push_back(sense);
  gen_.rhs.push_back(rhs);
  gen_.names.append(std::move(new_name));
  gen_.terms.append(nnz, ind, val);
  touch();
  return TVX_ERROR_OKAY;
}

int Store::add_qterms(int n, const int *row, const int *col, const double *val) {
  if (n < 0 || (n > 0 && (row == nullptr || col == nullptr || val == nullptr))) return kBadArgument;
  if (q_.val.size() + to_size(n) > to_size(INT_MAX)) return kBadArgument;
  for (int k = 0; k < n; ++k) {
    if (row[k] < 0 || row[k] >= num_vars() || col[k] < 0 || col[k] >= num_vars())
      return TVX_ERROR_MODEL_INVALID_COL_IDX;
  }
  const int rc = finite_values(val, n, [&](int k) {
    return "the quadratic objective's coefficient of " + var_text(row[k]) + " times " +
           var_text(col[k]);
  });
  if (rc != TVX_ERROR_OKAY || n == 0) return rc;

  const auto count = to_size(n);
  grow(q_.row, count);
  grow(q_.col, count);
  grow(q_.val, count);
  q_.row.insert(q_.row.end(), row, row + n);
  q_.col.insert(q_.col.end(), col, col + n);
  q_.val.insert(q_.val.end(), val, val + n);
  touch();
  return TVX_ERROR_OKAY;
}

void Store::clear_qterms() noexcept {
  if (q_.val.empty()) return;
  q_.row.clear();
  q_.col.clear();
  q_.val.clear();
  touch();
}

namespace {

// Row-major positions of a dim x dim matrix.
bool valid_positions(const int *pos, int n, int dim) {
  const int limit = dim * dim;
  for (int k = 0; k < n; ++k) {
    if (pos[k] < 0 || pos[k] >= limit) return false;
  }
  return true;
}

}  // namespace

int Store::add_psd_var(int dim, int nnz, const int *pos, const double *val, const char *name) {
  if (nnz < 0 || (nnz > 0 && (pos == nullptr || val == nullptr)) || !fits(num_psd_vars(), 1))
    return kBadArgument;
  if (dim < 1 || dim > kMaxPsdDim) {
    return fail_with(kBadData, "the dimension " + std::to_string(dim) + " of " +
                                   psd_var_text(num_psd_vars()) + " is not between 1 and " +
                                   std::to_string(kMaxPsdDim));
  }
  if (!valid_positions(pos, nnz, dim)) return TVX_ERROR_MODEL_INVALID_SYM_MAT_ROW_IDX;
  int rc = finite_values(val, nnz, [&](int e) {
    return entry_text(pos[e], dim) + " of the objective matrix of " + psd_var_text(num_psd_vars());
  });
  if (rc != TVX_ERROR_OKAY) return rc;
  std::string new_name;
  rc = collect_name(name, TVX_ERROR_MODEL_INVALID_COL_NAME, new_name);
  if (rc != TVX_ERROR_OKAY) return rc;

  grow(psd_vars_.dim, 1);
  psd_vars_.names.reserve_extra(1, !new_name.empty());
  psd_vars_.obj.reserve_append(1, to_size(nnz));
  psd_vars_.dim.push_back(dim);
  psd_vars_.names.append(std::move(new_name));
  psd_vars_.obj.append(nnz, pos, val);
  touch();
  return TVX_ERROR_OKAY;
}

int Store::add_psd_row(int lnnz, const int *lind, const double *lval, int npsd, const int *vidx,
                       const int *beg, int pnnz, const int *pos, const double *val, double lower,
                       double upper, const char *name) {
  if (lnnz < 0 || npsd < 0 || pnnz < 0 || !fits(num_rows(), 1)) return kBadArgument;
  if ((lnnz > 0 && (lind == nullptr || lval == nullptr)) || (npsd > 0 && vidx == nullptr) ||
      (pnnz > 0 && (pos == nullptr || val == nullptr)))
    return kBadArgument;
  IndexChecker checker;
  int rc = checker.check(lind, lnnz, num_vars(), TVX_ERROR_MODEL_INVALID_COL_IDX);
  if (rc == TVX_ERROR_OKAY)
    rc = checker.check(vidx, npsd, num_psd_vars(), TVX_ERROR_MODEL_INVALID_SYM_MAT_IDX);
  if (rc == TVX_ERROR_OKAY) rc = check_starts(npsd, pnnz, beg);
  if (rc != TVX_ERROR_OKAY) return rc;
  for (int k = 0; k < npsd; ++k) {
    const int b = run_begin(beg, k);
    if (!valid_positions(pos + b, run_end(npsd, pnnz, beg, k) - b, psd_vars_.dim[to_size(vidx[k])]))
      return TVX_ERROR_MODEL_INVALID_SYM_MAT_ROW_IDX;
  }
  const std::string row = row_text(num_rows());
  rc = finite_values(
      lval, lnnz, [&](int e) { return "the coefficient of " + var_text(lind[e]) + " in " + row; });
  if (rc == TVX_ERROR_OKAY) {
    rc = finite_values(val, pnnz, [&](int e) {
      const int p = vidx[run_of(npsd, beg, e)];
      return entry_text(pos[e], psd_vars_.dim[to_size(p)]) + " of the matrix of " +
             psd_var_text(p) + " in " + row;
    });
  }
  if (rc == TVX_ERROR_OKAY)
    rc = bound_values(&lower, &upper, 0, kRowSides, [&]() -> const std::string & { return row; });
  if (rc != TVX_ERROR_OKAY) return rc;
  std::string new_name;
  rc = collect_name(name, TVX_ERROR_MODEL_INVALID_ROW_NAME, new_name);
  if (rc != TVX_ERROR_OKAY) return rc;

  PsdRowPart part;
  part.var.assign(vidx, vidx + npsd);
  if (beg != nullptr) {
    part.beg.assign(beg, beg + npsd);
  } else {
    part.beg.assign(to_size(npsd), 0);
  }
  part.pos.assign(pos, pos + pnnz);
  part.val.assign(val, val + pnnz);
  grow(psd_parts_, 1);
  grow(rows_.lhs, 1);
  grow(rows_.rhs, 1);
  grow(rows_.psd, 1);
  rows_.names.reserve_extra(1, !new_name.empty());
  rows_.terms.reserve_append(1, to_size(lnnz));

  rows_.lhs.push_back(lower);
  rows_.rhs.push_back(upper);
  rows_.psd.push_back(num_psd_rows());
  psd_parts_.push_back(std::move(part));
  rows_.names.append(std::move(new_name));
  rows_.terms.append(lnnz, lind, lval);
  matrix_changed();
  shape_changed();
  touch();
  return TVX_ERROR_OKAY;
}

// ---- Changing -------------------------------------------------------------

int Store::set_coeffs(int n, const int *row, const int *col, const double *val) {
  if (n < 0 || (n > 0 && (row == nullptr || col == nullptr || val == nullptr))) return kBadArgument;
  for (int k = 0; k < n; ++k) {
    if (row[k] < 0 || row[k] >= num_rows()) return TVX_ERROR_MODEL_INVALID_ROW_IDX;
    if (col[k] < 0 || col[k] >= num_vars()) return TVX_ERROR_MODEL_INVALID_COL_IDX;
  }
  const int rc = finite_values(val, n, [&](int k) {
    return "the coefficient of " + var_text(col[k]) + " in " + row_text(row[k]);
  });
  if (rc != TVX_ERROR_OKAY || n == 0) return rc;

  // Room for the pairs not yet stored (a pair repeated in the batch may get
  // room twice, which is harmless). Each lookup scans its row.
  std::vector<int> missing;
  for (int k = 0; k < n; ++k) {
    if (rows_.terms.position(row[k], col[k]) < 0) missing.push_back(row[k]);
  }
  reserve_pushes(rows_.terms, std::move(missing));
  for (int k = 0; k < n; ++k) {
    const int at = rows_.terms.position(row[k], col[k]);
    if (at >= 0) {
      rows_.terms.value(row[k])[at] = val[k];
    } else {
      rows_.terms.push(row[k], col[k], val[k]);
    }
  }
  matrix_changed();
  touch();
  return TVX_ERROR_OKAY;
}

int Store::set_psd_obj(int n, const int *which, const int *beg, int nnz, const int *pos,
                       const double *val) {
  if (n < 0 || nnz < 0 || (n > 0 && which == nullptr) ||
      (nnz > 0 && (pos == nullptr || val == nullptr)))
    return kBadArgument;
  for (int k = 0; k < n; ++k) {
    if (which[k] < 0 || which[k] >= num_psd_vars()) return TVX_ERROR_MODEL_INVALID_SYM_MAT_IDX;
  }
  int rc = check_starts(n, nnz, beg);
  if (rc != TVX_ERROR_OKAY) return rc;
  for (int k = 0; k < n; ++k) {
    const int b = run_begin(beg, k);
    if (!valid_positions(pos + b, run_end(n, nnz, beg, k) - b, psd_vars_.dim[to_size(which[k])]))
      return TVX_ERROR_MODEL_INVALID_SYM_MAT_ROW_IDX;
  }
  rc = finite_values(val, nnz, [&](int e) {
    const int p = which[run_of(n, beg, e)];
    return entry_text(pos[e], psd_vars_.dim[to_size(p)]) + " of the objective matrix of " +
           psd_var_text(p);
  });
  if (rc != TVX_ERROR_OKAY || n == 0) return rc;

  SparseList &obj = psd_vars_.obj;
  for (int k = 0; k < n; ++k) {
    const int size = run_end(n, nnz, beg, k) - run_begin(beg, k);
    obj.reserve_push(which[k], std::max(0, size - obj.length(which[k])));
  }
  for (int k = 0; k < n; ++k) {
    const int b = run_begin(beg, k);
    obj.assign(which[k], run_end(n, nnz, beg, k) - b, pos + b, val + b);
  }
  touch();
  return TVX_ERROR_OKAY;
}

void Store::set_sense(int sense) noexcept { change(sense_, sense); }

void Store::set_objcon(double value) noexcept { change(objcon_, value); }

void Store::set_var_lb(int j, double value) noexcept { change(vars_.lb[to_size(j)], value); }

void Store::set_var_ub(int j, double value) noexcept { change(vars_.ub[to_size(j)], value); }

void Store::set_var_obj(int j, double value) noexcept { change(vars_.obj[to_size(j)], value); }

void Store::set_var_type(int j, char normal_type) noexcept {
  change(vars_.type[to_size(j)], normal_type);
}

void Store::set_row_lhs(int i, double value) noexcept { change(rows_.lhs[to_size(i)], value); }

void Store::set_row_rhs(int i, double value) noexcept { change(rows_.rhs[to_size(i)], value); }

// ---- Deleting -------------------------------------------------------------

int Store::delete_vars(int n, const int *ind) {
  std::vector<int> new_index;
  const int rc = deletion_map(n, ind, num_vars(), TVX_ERROR_MODEL_INVALID_COL_IDX, new_index);
  if (rc != TVX_ERROR_OKAY || n == 0) return rc;
  for (const int binvar : gen_.binvar) {
    if (new_index[to_size(binvar)] < 0) return TVX_ERROR_MODEL_INVALID_INDICATOR_COL_IDX;
  }

  compact(vars_.lb, new_index);
  compact(vars_.ub, new_index);
  compact(vars_.obj, new_index);
  compact(vars_.start, new_index);
  compact(vars_.type, new_index);
  vars_.names.compact(new_index);
  rows_.terms.remap_entries(new_index);
  sos_.members.remap_entries(new_index);
  gen_.terms.remap_entries(new_index);
  for (int &binvar : gen_.binvar) binvar = new_index[to_size(binvar)];
  std::size_t out = 0;
  for (std::size_t k = 0; k < q_.val.size(); ++k) {
    const int r = new_index[to_size(q_.row[k])];
    const int c = new_index[to_size(q_.col[k])];
    if (r < 0 || c < 0) continue;
    q_.row[out] = r;
    q_.col[out] = c;
    q_.val[out] = q_.val[k];
    ++out;
  }
  q_.row.resize(out);
  q_.col.resize(out);
  q_.val.resize(out);
  matrix_changed();
  shape_changed();
  touch();
  return TVX_ERROR_OKAY;
}

int Store::delete_rows(int n, const int *ind) {
  std::vector<int> new_index;
  const int rc = deletion_map(n, ind, num_rows(), TVX_ERROR_MODEL_INVALID_ROW_IDX, new_index);
  if (rc != TVX_ERROR_OKAY || n == 0) return rc;

  // PSD parts are kept in row order, so they compact alongside the rows.
  int parts = 0;
  for (std::size_t i = 0; i < rows_.psd.size(); ++i) {
    const int part = rows_.psd[i];
    if (part < 0 || new_index[i] < 0) continue;
    if (part != parts) {
      psd_parts_[to_size(parts)] = std::move(psd_parts_[to_size(part)]);
    }
    rows_.psd[i] = parts++;
  }
  psd_parts_.erase(psd_parts_.begin() + parts, psd_parts_.end());
  compact(rows_.lhs, new_index);
  compact(rows_.rhs, new_index);
  compact(rows_.psd, new_index);
  rows_.names.compact(new_index);
  rows_.terms.remove_vectors(new_index);
  matrix_changed();
  shape_changed();
  touch();
  return TVX_ERROR_OKAY;
}

int Store::delete_sos(int n, const int *ind) {
  std::vector<int> new_index;
  const int rc = deletion_map(n, ind, num_sos(), TVX_ERROR_MODEL_INVALID_SOS_IDX, new_index);
  if (rc != TVX_ERROR_OKAY || n == 0) return rc;
  compact(sos_.type, new_index);
  sos_.members.remove_vectors(new_index);
  touch();
  return TVX_ERROR_OKAY;
}

int Store::delete_genconstrs(int n, const int *ind) {
  std::vector<int> new_index;
  const int rc =
      deletion_map(n, ind, num_genconstrs(), TVX_ERROR_MODEL_INVALID_INDICATOR_ROW_IDX, new_index);
  if (rc != TVX_ERROR_OKAY || n == 0) return rc;
  compact(gen_.type, new_index);
  compact(gen_.binvar, new_index);
  compact(gen_.binval, new_index);
  compact(gen_.sense, new_index);
  compact(gen_.rhs, new_index);
  gen_.terms.remove_vectors(new_index);
  gen_.names.compact(new_index);
  touch();
  return TVX_ERROR_OKAY;
}

}  // namespace tvx
