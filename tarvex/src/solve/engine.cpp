// The dispatcher and what every engine shares: the Hessian, the convexity
// test, the log, trivial cases and the check of an engine's answer.
#include "solve/engine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <map>
#include <new>
#include <set>
#include <stdexcept>
#include <utility>

namespace tvx {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

bool is_integral_type(char type) { return type == 'B' || type == 'I' || type == 'N'; }
bool is_semi_type(char type) { return type == 'S' || type == 'N'; }

// ---- Convexity ------------------------------------------------------------

// Symmetric elimination with diagonal pivots decides semidefiniteness: the
// Schur complement of a positive pivot in a PSD matrix is PSD, a negative
// pivot proves indefiniteness, and a zero pivot is allowed only when its
// whole row is zero. Pivots come in minimum-degree order while the matrix is
// sparse; once what is left is dense, a dense factorisation with the largest
// remaining diagonal as pivot finishes the job.
class PsdTest {
 public:
  PsdTest(const Hessian &h, double sign) {
    const int n = static_cast<int>(h.start.size()) - 1;
    adj_.resize(static_cast<std::size_t>(n));
    diag_.assign(static_cast<std::size_t>(n), 0.0);
    std::vector<char> used(static_cast<std::size_t>(n), 0);
    for (int j = 0; j < n; ++j) {
      for (int k = h.start[j]; k < h.start[j + 1]; ++k) {
        const int i = h.index[k];
        const double v = sign * h.value[k];
        scale_ = std::max(scale_, std::fabs(v));
        used[i] = used[j] = 1;
        if (i == j) {
          diag_[j] += v;
        } else {
          adj_[i][j] += v;
          adj_[j][i] += v;
          off_entries_ += 2;
        }
      }
    }
    tol_ = 1e-9 * scale_;
    for (int j = 0; j < n; ++j) {
      if (used[j]) queue_.insert({adj_[j].size(), j});
    }
  }

  bool run() {
    while (!queue_.empty()) {
      const std::size_t left = queue_.size();
      // Dense storage then takes no more room than the maps it replaces.
      if (off_entries_ >= left * (left - 1) / 4) return dense();
      const int p = queue_.begin()->second;
      queue_.erase(queue_.begin());
      if (!eliminate(p)) return false;
    }
    return true;
  }

 private:
  // A zero pivot p with an entry a_pj: [[0, a], [a, d_j]] must be PSD once
  // the pivot is raised to the tolerance.
  bool negligible(double a, double dj) const {
    return std::fabs(a) <= std::sqrt(tol_ * std::max(dj, tol_));
  }

  bool eliminate(int p) {
    const double d = diag_[p];
    if (d < -tol_) return false;
    std::map<int, double> row = std::move(adj_[p]);
    adj_[p].clear();
    off_entries_ -= 2 * row.size();
    for (const auto &e : row) {
      queue_.erase({adj_[e.first].size(), e.first});
      adj_[e.first].erase(p);
    }
    if (d <= tol_) {
      for (const auto &e : row) {
        if (!negligible(e.second, diag_[e.first])) return false;
      }
    } else {
      for (auto a = row.begin(); a != row.end(); ++a) {
        diag_[a->first] -= a->second * a->second / d;
        for (auto b = std::next(a); b != row.end(); ++b) {
          const double update = a->second * b->second / d;
          auto &ab = adj_[a->first];
          const auto [at, added] = ab.try_emplace(b->first, 0.0);
          at->second -= update;
          adj_[b->first][a->first] -= update;
          if (added) off_entries_ += 2;
        }
      }
    }
    for (const auto &e : row) queue_.insert({adj_[e.first].size(), e.first});
    return true;
  }

  bool dense() {
    std::vector<int> ids;
    for (const auto &q : queue_) ids.push_back(q.second);
    const std::size_t r = ids.size();
    std::vector<int> pos(diag_.size(), -1);
    for (std::size_t k = 0; k < r; ++k) pos[static_cast<std::size_t>(ids[k])] = static_cast<int>(k);
    std::vector<double> m(r * r, 0.0);
    for (std::size_t k = 0; k < r; ++k) {
      m[k * r + k] = diag_[ids[k]];
      for (const auto &e : adj_[ids[k]]) {
        m[k * r + static_cast<std::size_t>(pos[e.first])] = e.second;
      }
    }
    std::vector<char> done(r, 0);
    for (std::size_t step = 0; step < r; ++step) {
      std::size_t p = r;
      for (std::size_t k = 0; k < r; ++k) {
        if (!done[k] && (p == r || m[k * r + k] > m[p * r + p])) p = k;
      }
      const double d = m[p * r + p];
      if (d <= tol_) {
        // Every remaining diagonal is at most the tolerance: what is left
        // must be zero.
        for (std::size_t i = 0; i < r; ++i) {
          if (done[i]) continue;
          if (m[i * r + i] < -tol_) return false;
          for (std::size_t j = 0; j < r; ++j) {
            if (j != i && !done[j] && !negligible(m[i * r + j], m[j * r + j])) return false;
          }
        }
        return true;
      }
      done[p] = 1;
      for (std::size_t i = 0; i < r; ++i) {
        if (done[i] || m[i * r + p] == 0) continue;
        const double f = m[i * r + p] / d;
        for (std::size_t j = 0; j < r; ++j) {
          if (!done[j]) m[i * r + j] -= f * m[p * r + j];
        }
      }
    }
    return true;
  }

  std::vector<std::map<int, double>> adj_;  // off-diagonal entries, both halves
  std::vector<double> diag_;
  std::set<std::pair<std::size_t, int>> queue_;  // (degree, variable) not yet eliminated
  std::size_t off_entries_ = 0;
  double scale_ = 0;
  double tol_ = 0;
};

// ---- Answers --------------------------------------------------------------

struct Activities {
  std::vector<double> value;  // a.x per row
  std::vector<double> size;   // sum of |a_ij x_j| per row, the scale of its violation
};

Activities activities(const Store &model, const std::vector<double> &x) {
  const Rows &rows = model.rows();
  Activities out;
  out.value.assign(static_cast<std::size_t>(model.num_rows()), 0.0);
  out.size.assign(out.value.size(), 0.0);
  for (int i = 0; i < model.num_rows(); ++i) {
    const int *ind = rows.terms.index(i);
    const double *val = rows.terms.value(i);
    double sum = 0, size = 0;
    for (int e = 0; e < rows.terms.length(i); ++e) {
      const double t = val[e] * x[static_cast<std::size_t>(ind[e])];
      sum += t;
      size += std::fabs(t);
    }
    out.value[i] = sum;
    out.size[i] = size;
  }
  return out;
}

double quadratic_value(const QTerms &q, const std::vector<double> &x) {
  double sum = 0;
  for (std::size_t k = 0; k < q.val.size(); ++k) {
    sum += q.val[k] * x[static_cast<std::size_t>(q.row[k])] * x[static_cast<std::size_t>(q.col[k])];
  }
  return sum;
}

double objective_value(const Store &model, const std::vector<double> &x) {
  double sum = model.objcon() + quadratic_value(model.qterms(), x);
  for (int j = 0; j < model.num_vars(); ++j) {
    sum += model.vars().obj[j] * x[static_cast<std::size_t>(j)];
  }
  return sum;
}

// The Lagrangian dual value at the reported duals: with reduced costs
// rc = c + Hx - A'y, the primal objective equals
//   objcon - x'Hx/2 + sum y_i (a_i.x) + sum rc_j x_j,
// and the dual objective replaces each a_i.x and x_j by the bound that the
// sign of its multiplier makes active (a minimisation takes the lower bound
// for a positive multiplier, a maximisation the upper). Where that bound is
// infinite the multiplier can only be noise, and the point's own value is
// taken.
double dual_objective(const Store &model, const std::vector<double> &x,
                      const std::vector<double> &activity, const std::vector<double> &dual,
                      const std::vector<double> &rc) {
  const bool minimize = model.sense() == TVX_MINIMIZE;
  const auto term = [minimize](double multiplier, double lower, double upper, double at) {
    if (multiplier == 0) return 0.0;
    const double bound = finite_or_inf((minimize == (multiplier > 0)) ? lower : upper);
    return multiplier * (std::isinf(bound) ? at : bound);
  };
  double sum = model.objcon() - quadratic_value(model.qterms(), x);
  for (int i = 0; i < model.num_rows(); ++i) {
    sum += term(dual[i], model.rows().lhs[i], model.rows().rhs[i], activity[i]);
  }
  for (int j = 0; j < model.num_vars(); ++j) {
    sum += term(rc[j], model.vars().lb[j], model.vars().ub[j], x[static_cast<std::size_t>(j)]);
  }
  return sum;
}

// Tolerances of the answer check: looser than the engines' own, so that
// only a real fault is caught. A violation is measured against 1 plus the
// magnitude of the bound or of the row's terms, whichever is larger.
struct CheckTolerance {
  double feasibility;
  double integrality;
};

CheckTolerance check_tolerance(const Problem &p) {
  double primal = std::max(p.param("SPX/PrimalTolerance"), p.param("IPM/PrimalTolerance"));
  if (p.discrete) primal = std::max(primal, p.param("MIP/IntegerTolerance"));
  return {std::max(1e-6, 10 * primal), std::max(1e-5, 10 * p.param("MIP/IntegerTolerance"))};
}

bool within(double value, double lower, double upper, double tol, double size) {
  lower = finite_or_inf(lower);
  upper = finite_or_inf(upper);
  return value >= lower - tol * (1 + std::max(std::fabs(lower), size)) &&
         value <= upper + tol * (1 + std::max(std::fabs(upper), size));
}

// Whether the SOS sets hold at x: an SOS1 has at most one member away from
// 0, an SOS2 at most two, adjacent in the order of their weights.
std::string sos_violation(const Store &model, const std::vector<double> &x, double tol) {
  const SosSets &sos = model.sos();
  std::vector<std::pair<double, int>> order;
  for (int k = 0; k < model.num_sos(); ++k) {
    const int len = sos.members.length(k);
    const int *ind = sos.members.index(k);
    const double *weight = sos.members.value(k);
    order.clear();
    for (int e = 0; e < len; ++e) order.push_back({weight[e], e});
    std::stable_sort(order.begin(), order.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    int first = -1, count = 0;
    for (int pos = 0; pos < len; ++pos) {
      if (std::fabs(x[static_cast<std::size_t>(ind[order[pos].second])]) <= tol) continue;
      if (count == 0) first = pos;
      ++count;
      const bool fits = sos.type[k] == TVX_SOS_TYPE2 ? count <= 2 && pos - first <= 1 : count <= 1;
      if (!fits) return "SOS " + std::to_string(k) + " is violated";
    }
  }
  return std::string();
}

// Whether the indicators hold at x: each binary is 0 or 1, and the row of
// an active one holds.
std::string indicator_violation(const Store &model, const std::vector<double> &x,
                                const CheckTolerance &tol) {
  const GenConstrs &g = model.genconstrs();
  for (int k = 0; k < model.num_genconstrs(); ++k) {
    const double b = x[static_cast<std::size_t>(g.binvar[k])];
    if (!(std::fabs(b) <= tol.integrality || std::fabs(b - 1) <= tol.integrality)) {
      return "the binary variable of indicator " + std::to_string(k) + " is not 0 or 1";
    }
    if (std::nearbyint(b) != g.binval[k]) continue;
    double sum = 0, size = 0;
    for (int e = 0; e < g.terms.length(k); ++e) {
      const double t = g.terms.value(k)[e] * x[static_cast<std::size_t>(g.terms.index(k)[e])];
      sum += t;
      size += std::fabs(t);
    }
    const double rhs = g.rhs[k];
    const double lower = g.sense[k] == '<' ? -kInf : rhs;
    const double upper = g.sense[k] == '>' ? kInf : rhs;
    if (!within(sum, lower, upper, tol.feasibility, size)) {
      return "indicator " + std::to_string(k) + " is violated";
    }
  }
  return std::string();
}

// Empty when x satisfies the bounds, types, rows, SOS and indicators; else
// what it violates.
std::string violation(const Problem &p, const std::vector<double> &x, const Activities &act) {
  const Vars &v = p.model.vars();
  const CheckTolerance tol = check_tolerance(p);
  for (int j = 0; j < p.model.num_vars(); ++j) {
    const double value = x[static_cast<std::size_t>(j)];
    const char type = v.type[j];
    double lb = v.lb[j], ub = v.ub[j];
    if (type == 'B') {
      lb = std::max(lb, 0.0);
      ub = std::min(ub, 1.0);
    }
    const bool zero = is_semi_type(type) && std::fabs(value) <= tol.feasibility;
    if (std::isnan(value) || (!zero && !within(value, lb, ub, tol.feasibility, 0))) {
      return "variable " + std::to_string(j) + " violates its bounds";
    }
    if (is_integral_type(type) && std::fabs(value - std::nearbyint(value)) > tol.integrality) {
      return "variable " + std::to_string(j) + " is not integral";
    }
  }
  for (int i = 0; i < p.model.num_rows(); ++i) {
    if (!within(act.value[i], p.model.rows().lhs[i], p.model.rows().rhs[i], tol.feasibility,
                act.size[i])) {
      return "row " + std::to_string(i) + " is violated";
    }
  }
  std::string fault = sos_violation(p.model, x, tol.feasibility);
  if (fault.empty()) fault = indicator_violation(p.model, x, tol);
  return fault;
}

bool worse_than_cutoff(const Problem &p, double objective) {
  const double cutoff = p.param("MIP/Cutoff");
  if (!(std::fabs(cutoff) < kInfinity)) return false;
  const double slack = 1e-9 * (1 + std::fabs(cutoff));
  return p.model.sense() == TVX_MINIMIZE ? objective > cutoff + slack : objective < cutoff - slack;
}

void drop_solution(Results &r) {
  r.x.reset();
  r.activity.reset();
  r.dual.reset();
  r.reduced_cost.reset();
  r.basis.reset();
  r.primal_obj.reset();
  r.dual_obj.reset();
  r.mip_gap_abs.reset();
  r.mip_gap_rel.reset();
}

bool has_point(int status) {
  return status == TVX_STATUS_OPTIMAL || status == TVX_STATUS_SUB_OPTIMAL;
}

// Completes an engine's outcome: checks the point it reports and derives
// what every engine would compute the same way.
void finish(const Problem &p, SolveOutcome &out) {
  Results &r = out.results;
  const std::size_t n = static_cast<std::size_t>(p.model.num_vars());
  const std::size_t m = static_cast<std::size_t>(p.model.num_rows());
  if (r.x && r.x->size() != n) r.x.reset();
  if (r.dual && r.dual->size() != m) r.dual.reset();
  if (r.reduced_cost && r.reduced_cost->size() != n) r.reduced_cost.reset();
  if (has_point(r.status)) {
    std::string fault = r.x ? std::string() : std::string("no point was reported");
    Activities act;
    if (fault.empty()) {
      act = activities(p.model, *r.x);
      fault = violation(p, *r.x, act);
    }
    if (fault.empty()) {
      r.activity = std::move(act.value);
    } else {
      p.log.line("Answer rejected: " + fault + ".");
      if (r.status == TVX_STATUS_OPTIMAL) {
        const bool interior = r.stats && r.stats->ipm_iters > 0 && r.stats->spx_iters == 0;
        out.code = interior ? TVX_ERROR_INTERIOR_NUMERIC : TVX_ERROR_SIMPLEX_NUMERIC;
      }
      r.status = TVX_STATUS_UNKNOWN;
    }
  }
  if (!has_point(r.status)) {
    drop_solution(r);
    return;
  }
  if (!r.primal_obj) r.primal_obj = objective_value(p.model, *r.x);
  if (p.discrete && worse_than_cutoff(p, *r.primal_obj)) {
    // A search bounded by the cutoff that still ends with a worse point
    // found none better: when it ran to the end there is none.
    p.log.line("The solution found is worse than the cutoff; it is not reported.");
    r.status = r.status == TVX_STATUS_OPTIMAL ? TVX_STATUS_INFEASIBLE : TVX_STATUS_UNKNOWN;
    drop_solution(r);
    return;
  }
  if (r.status != TVX_STATUS_OPTIMAL || p.discrete) {
    // Multipliers of a MIP or of an unfinished solve certify nothing.
    r.dual.reset();
    r.reduced_cost.reset();
  }
  if (!r.dual || !r.reduced_cost) {
    r.dual.reset();
    r.reduced_cost.reset();
  } else if (!r.dual_obj) {
    r.dual_obj = dual_objective(p.model, *r.x, *r.activity, *r.dual, *r.reduced_cost);
  }
  if (p.discrete && r.dual_obj) {
    const double gap = std::fabs(*r.primal_obj - *r.dual_obj);
    r.mip_gap_abs = gap;
    r.mip_gap_rel = gap == 0 ? 0.0 : *r.primal_obj == 0 ? kInf : gap / std::fabs(*r.primal_obj);
  }
}

// ---- Cases settled without an engine --------------------------------------

// A bound on the wrong side of infinity (x >= +inf, a.x <= -inf) can never
// hold; engines differ on how they take it, so it is settled here. A
// semi-continuous variable always has 0.
bool trivially_infeasible(const Store &model, std::string &why) {
  const auto impossible = [](double lower, double upper) {
    return finite_or_inf(lower) == kInf || finite_or_inf(upper) == -kInf;
  };
  for (int j = 0; j < model.num_vars(); ++j) {
    if (!is_semi_type(model.vars().type[j]) && impossible(model.vars().lb[j], model.vars().ub[j])) {
      why = "variable " + std::to_string(j) + " has an infinite bound on the wrong side";
      return true;
    }
  }
  for (int i = 0; i < model.num_rows(); ++i) {
    if (impossible(model.rows().lhs[i], model.rows().rhs[i])) {
      why = "row " + std::to_string(i) + " has an infinite bound on the wrong side";
      return true;
    }
  }
  return false;
}

// No variables: every row's activity is 0.
void solve_without_variables(const Problem &p, SolveOutcome &out) {
  Results &r = out.results;
  const std::size_t m = static_cast<std::size_t>(p.model.num_rows());
  r.stats = SolveStats();
  const double tol = check_tolerance(p).feasibility;
  for (std::size_t i = 0; i < m; ++i) {
    if (!within(0.0, p.model.rows().lhs[i], p.model.rows().rhs[i], tol, 0)) {
      r.status = TVX_STATUS_INFEASIBLE;
      return;
    }
  }
  r.status = TVX_STATUS_OPTIMAL;
  r.x.emplace();
  r.reduced_cost.emplace();
  r.dual = std::vector<double>(m, 0.0);
  Basis basis;
  basis.row.assign(m, kBasisBasic);
  r.basis = std::move(basis);
}

int refuse(SolveLog &log, const std::string &why) {
  log.line("No engine can solve this model: " + why + ".");
  return TVX_ERROR_ABORT_SOLVER_NOT_AVAILABLE;
}

void dispatch(const SolveInput &input, const Engines &engines, SolveLog &log, SolveOutcome &out) {
  const Store &model = input.model;
  Problem problem{model, input.params, log, Hessian(), false};
  for (char type : model.vars().type) problem.discrete = problem.discrete || type != 'C';

  const Engine *engine = engines.linear;
  if (model.num_psd_vars() > 0 || model.num_psd_rows() > 0) {
    engine = engines.semidefinite;
    if (engine == nullptr) {
      out.code = refuse(log, "semidefinite models need the DSDP engine, which is not built");
      return;
    }
  }
  problem.hessian = build_hessian(model.qterms(), model.num_vars());
  const bool combinatorial = model.num_sos() > 0 || model.num_genconstrs() > 0;
  problem.discrete = problem.discrete || combinatorial;
  if (!problem.hessian.empty() && problem.discrete) {
    out.code = refuse(log,
                      "a quadratic objective with integer, semi-continuous or "
                      "semi-integer variables, SOS or indicator constraints");
    return;
  }
  if (input.callback && problem.discrete) {
    out.code = refuse(log, "callbacks during a MIP search are not built");
    return;
  }
  if (combinatorial) {
    engine = engines.combinatorial;
    if (engine == nullptr) {
      out.code = refuse(log, "SOS and indicator constraints need the CBC engine");
      return;
    }
  }
  const double sign = model.sense() == TVX_MINIMIZE ? 1.0 : -1.0;
  if (!problem.hessian.empty() && !positive_semidefinite(problem.hessian, sign)) {
    out.code = refuse(log, model.sense() == TVX_MINIMIZE
                               ? "the quadratic objective of a minimisation is not convex"
                               : "the quadratic objective of a maximisation is not concave");
    return;
  }

  std::string why;
  if (trivially_infeasible(model, why)) {
    log.line("Infeasible: " + why + ".");
    out.results.status = TVX_STATUS_INFEASIBLE;
    out.results.stats = SolveStats();
    return;
  }
  if (model.num_vars() == 0 && model.num_psd_vars() == 0) {
    solve_without_variables(problem, out);
  } else if (engine == nullptr) {
    out.code = refuse(log, "no engine is built for linear models");
    return;
  } else {
    log.line(std::string("Solving with ") + engine->name() + ".");
    engine->solve(problem, out);
  }
  finish(problem, out);
}

}  // namespace

std::string point_violation(const Problem &p, const std::vector<double> &x) {
  if (x.size() != static_cast<std::size_t>(p.model.num_vars())) {
    return "the point has the wrong size";
  }
  return violation(p, x, activities(p.model, x));
}

double finite_or_inf(double value) {
  if (value >= kInfinity) return kInf;
  if (value <= -kInfinity) return -kInf;
  return value;
}

Hessian build_hessian(const QTerms &terms, int num_vars) {
  struct Entry {
    int col, row;
    double value;
  };
  std::vector<Entry> entries;
  entries.reserve(terms.val.size());
  for (std::size_t k = 0; k < terms.val.size(); ++k) {
    const int i = terms.row[k], j = terms.col[k];
    const double v = terms.val[k];
    entries.push_back({std::min(i, j), std::max(i, j), i == j ? 2 * v : v});
  }
  std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
    return a.col != b.col ? a.col < b.col : a.row < b.row;
  });
  Hessian h;
  std::vector<int> count(static_cast<std::size_t>(num_vars), 0);
  for (std::size_t k = 0; k < entries.size();) {
    const auto same = [&](std::size_t e) {
      return entries[e].col == entries[k].col && entries[e].row == entries[k].row;
    };
    double sum = 0;
    std::size_t e = k;
    for (; e < entries.size() && same(e); ++e) sum += entries[e].value;
    if (sum != 0) {
      h.index.push_back(entries[k].row);
      h.value.push_back(sum);
      ++count[static_cast<std::size_t>(entries[k].col)];
    }
    k = e;
  }
  if (h.value.empty()) return h;
  h.start.assign(static_cast<std::size_t>(num_vars) + 1, 0);
  for (int j = 0; j < num_vars; ++j) h.start[j + 1] = h.start[j] + count[j];
  return h;
}

bool positive_semidefinite(const Hessian &h, double sign) {
  if (h.empty()) return true;
  PsdTest test(h, sign);
  return test.run();
}

SolveLog::SolveLog(const std::string &path) {
  if (path.empty()) return;
  file_.reset(std::fopen(path.c_str(), "ab"));
  // Line buffering makes each line one append, whole beside other writers.
  if (file_) std::setvbuf(file_.get(), nullptr, _IOLBF, 4096);
}

void SolveLog::write(const char *text) {
  if (!file_ || text == nullptr) return;
  std::lock_guard<std::mutex> lock(mutex_);
  std::fputs(text, file_.get());
}

void SolveLog::line(const std::string &text) {
  if (!file_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  std::fputs(text.c_str(), file_.get());
  std::fputc('\n', file_.get());
}

double Problem::param(const char *name) const {
  const int index = find_param(name);
  if (index < 0) throw std::logic_error("unknown parameter");
  return params.value[static_cast<std::size_t>(index)];
}

Engines built_engines() {
  Engines engines;
  engines.linear = &highs_engine();
  engines.combinatorial = &cbc_engine();
  return engines;
}

SolveOutcome solve(const SolveInput &input, const Engines &engines) {
  const auto started = std::chrono::steady_clock::now();
  SolveOutcome out;
  try {
    SolveLog log(input.logfile);
    dispatch(input, engines, log, out);
  } catch (const std::bad_alloc &) {
    out = SolveOutcome();
    out.code = TVX_ERROR_NOMEMORY;
  } catch (...) {
    out = SolveOutcome();
    out.code = TVX_ERROR_ERROR;
  }
  if (out.results.stats) {
    out.results.stats->total_time =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  }
  return out;
}

}  // namespace tvx
