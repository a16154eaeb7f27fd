// The check of an engine's answer (answer_check.h).
#include "solve/answer_check.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/numeric.h"
#include "store/psd_matrix.h"

namespace tvx {
namespace {

struct Activities {
  std::vector<double> value;  // a.x (+ PSD terms) per row
  std::vector<double> size;   // sum of |a_ij x_j| per row, the scale of its violation
};

using PsdPoint = std::vector<std::vector<double>>;  // per PSD variable, dim * dim row-major

// The matrix run k of a PSD row part, as psd_matrix.h assembles it.
std::vector<SymEntry> part_matrix(const Store &model, const PsdRowPart &part, std::size_t k) {
  const int b = part.run_begin(k), e = part.run_end(k);
  const int dim = model.psd_vars().dim[to_size(part.var[k])];
  return symmetric_entries(dim, e - b, part.pos.data() + b, part.val.data() + b);
}

// psd_x: one matrix per PSD variable, or null for a model without them.
Activities activities(const Store &model, const std::vector<double> &x, const PsdPoint *psd_x) {
  const Rows &rows = model.rows();
  Activities out;
  out.value.assign(to_size(model.num_rows()), 0.0);
  out.size.assign(out.value.size(), 0.0);
  for (int i = 0; i < model.num_rows(); ++i) {
    const int *ind = rows.terms.index(i);
    const double *val = rows.terms.value(i);
    double sum = 0, size = 0;
    for (int e = 0; e < rows.terms.length(i); ++e) {
      const double t = val[e] * x[to_size(ind[e])];
      sum += t;
      size += std::fabs(t);
    }
    const PsdRowPart *part = model.psd_part(i);
    if (part != nullptr && psd_x != nullptr) {
      for (std::size_t k = 0; k < part->var.size(); ++k) {
        const std::size_t v = to_size(part->var[k]);
        const int dim = model.psd_vars().dim[v];
        const std::vector<SymEntry> m = part_matrix(model, *part, k);
        sum += inner_product(m, (*psd_x)[v].data(), dim);
        size += inner_product_size(m, (*psd_x)[v].data(), dim);
      }
    }
    out.value[to_size(i)] = sum;
    out.size[to_size(i)] = size;
  }
  return out;
}

double quadratic_value(const QTerms &q, const std::vector<double> &x) {
  double sum = 0;
  for (std::size_t k = 0; k < q.val.size(); ++k) {
    sum += q.val[k] * x[to_size(q.row[k])] * x[to_size(q.col[k])];
  }
  return sum;
}

double objective_value(const Store &model, const std::vector<double> &x, const PsdPoint *psd_x) {
  double sum = model.objcon() + quadratic_value(model.qterms(), x);
  for (int j = 0; j < model.num_vars(); ++j) {
    sum += model.vars().obj[to_size(j)] * x[to_size(j)];
  }
  if (psd_x != nullptr) {
    const PsdVars &p = model.psd_vars();
    for (int k = 0; k < model.num_psd_vars(); ++k) {
      const std::vector<SymEntry> c =
          symmetric_entries(p.dim[to_size(k)], p.obj.length(k), p.obj.index(k), p.obj.value(k));
      sum += inner_product(c, (*psd_x)[to_size(k)].data(), p.dim[to_size(k)]);
    }
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
    sum += term(dual[to_size(i)], model.rows().lhs[to_size(i)], model.rows().rhs[to_size(i)],
                activity[to_size(i)]);
  }
  for (int j = 0; j < model.num_vars(); ++j) {
    sum += term(rc[to_size(j)], model.vars().lb[to_size(j)], model.vars().ub[to_size(j)],
                x[to_size(j)]);
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
  double primal =
      std::max(p.param(Param::SPX_PrimalTolerance), p.param(Param::IPM_PrimalTolerance));
  if (p.discrete) primal = std::max(primal, p.param(Param::MIP_IntegerTolerance));
  return {std::max(1e-6, 10 * primal), std::max(1e-5, 10 * p.param(Param::MIP_IntegerTolerance))};
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
      if (std::fabs(x[to_size(ind[order[to_size(pos)].second])]) <= tol) continue;
      if (count == 0) first = pos;
      ++count;
      const bool fits =
          sos.type[to_size(k)] == TVX_SOS_TYPE2 ? count <= 2 && pos - first <= 1 : count <= 1;
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
    const double b = x[to_size(g.binvar[to_size(k)])];
    if (!(std::fabs(b) <= tol.integrality || std::fabs(b - 1) <= tol.integrality)) {
      return "the binary variable of indicator " + std::to_string(k) + " is not 0 or 1";
    }
    if (std::nearbyint(b) != g.binval[to_size(k)]) continue;
    double sum = 0, size = 0;
    for (int e = 0; e < g.terms.length(k); ++e) {
      const double t = g.terms.value(k)[e] * x[to_size(g.terms.index(k)[e])];
      sum += t;
      size += std::fabs(t);
    }
    const double rhs = g.rhs[to_size(k)];
    const double lower = g.sense[to_size(k)] == '<' ? -kInf : rhs;
    // NOLINTNEXTLINE(bugprone-narrowing-conversions): +infinity in ?: is no narrowing
    const double upper = g.sense[to_size(k)] == '>' ? kInf : rhs;
    if (!within(sum, lower, upper, tol.feasibility, size)) {
      return "indicator " + std::to_string(k) + " is violated";
    }
  }
  return std::string();
}

// Empty when x satisfies the bounds, types, rows, SOS and indicators; else
// what it violates.
std::string violation(const Problem &p, const std::vector<double> &x, const PsdPoint *psd_x,
                      const Activities &act) {
  const Vars &v = p.model.vars();
  const CheckTolerance tol = check_tolerance(p);
  if (psd_x != nullptr) {
    for (int k = 0; k < p.model.num_psd_vars(); ++k) {
      if (!near_psd((*psd_x)[to_size(k)].data(), p.model.psd_vars().dim[to_size(k)],
                    tol.feasibility)) {
        return "PSD variable " + std::to_string(k) + " is not positive semidefinite";
      }
    }
  }
  for (int j = 0; j < p.model.num_vars(); ++j) {
    const double value = x[to_size(j)];
    const char type = v.type[to_size(j)];
    const double lb = v.solve_lb(j), ub = v.solve_ub(j);
    const bool zero = is_semi_type(type) && std::fabs(value) <= tol.feasibility;
    if (std::isnan(value) || (!zero && !within(value, lb, ub, tol.feasibility, 0))) {
      return "variable " + std::to_string(j) + " violates its bounds";
    }
    // A value the library would read as infinite is a point out along a
    // ray, where an engine stopped, not a solution.
    if (std::fabs(value) >= kInfinity) {
      return "variable " + std::to_string(j) + " is at infinity";
    }
    if (is_integral_type(type) && std::fabs(value - std::nearbyint(value)) > tol.integrality) {
      return "variable " + std::to_string(j) + " is not integral";
    }
  }
  for (int i = 0; i < p.model.num_rows(); ++i) {
    if (!within(act.value[to_size(i)], p.model.rows().lhs[to_size(i)],
                p.model.rows().rhs[to_size(i)], tol.feasibility, act.size[to_size(i)])) {
      return "row " + std::to_string(i) + " is violated";
    }
  }
  std::string fault = sos_violation(p.model, x, tol.feasibility);
  if (fault.empty()) fault = indicator_violation(p.model, x, tol);
  return fault;
}

bool worse_than_cutoff(const Problem &p, double objective) {
  const double cutoff = p.param(Param::MIP_Cutoff);
  if (!(std::fabs(cutoff) < kInfinity)) return false;
  const double slack = 1e-9 * (1 + std::fabs(cutoff));
  return p.model.sense() == TVX_MINIMIZE ? objective > cutoff + slack : objective < cutoff - slack;
}

void drop_solution(Results &r) {
  r.x.reset();
  r.psd_x.reset();
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

// The PSD part of a reported point: one matrix of dim * dim entries per PSD
// variable, or none when the model has no PSD variables.
bool psd_point_fits(const Store &model, const std::optional<PsdPoint> &psd_x) {
  if (!psd_x) return model.num_psd_vars() == 0;
  if (psd_x->size() != to_size(model.num_psd_vars())) return false;
  for (int k = 0; k < model.num_psd_vars(); ++k) {
    const auto dim = to_size(model.psd_vars().dim[to_size(k)]);
    if ((*psd_x)[to_size(k)].size() != dim * dim) return false;
  }
  return true;
}

}  // namespace

void check_answer(const Problem &p, SolveOutcome &out) {
  Results &r = out.results;
  const std::size_t n = to_size(p.model.num_vars());
  const std::size_t m = to_size(p.model.num_rows());
  if (r.x && r.x->size() != n) r.x.reset();
  if (r.dual && r.dual->size() != m) r.dual.reset();
  if (r.reduced_cost && r.reduced_cost->size() != n) r.reduced_cost.reset();
  if (!psd_point_fits(p.model, r.psd_x)) r.psd_x.reset();
  const bool psd = p.model.num_psd_vars() > 0;
  const PsdPoint *psd_x = r.psd_x ? &*r.psd_x : nullptr;
  if (has_point(r.status)) {
    std::string fault =
        r.x && (psd_x != nullptr || !psd) ? std::string() : std::string("no point was reported");
    Activities act;
    if (fault.empty()) {
      act = activities(p.model, *r.x, psd_x);
      fault = violation(p, *r.x, psd_x, act);
    }
    if (fault.empty()) {
      r.activity = std::move(act.value);
    } else {
      p.log().line("Answer rejected: " + fault + ".");
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
  if (!r.primal_obj) r.primal_obj = objective_value(p.model, *r.x, psd_x);
  if (p.discrete && worse_than_cutoff(p, *r.primal_obj)) {
    // A search bounded by the cutoff that still ends with a worse point
    // found none better: when it ran to the end there is none.
    p.log().line("The solution found is worse than the cutoff; it is not reported.");
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
  } else if (!r.dual_obj && !psd) {
    // The Lagrangian below knows no PSD terms: a PSD engine states its own.
    r.dual_obj = dual_objective(p.model, *r.x, *r.activity, *r.dual, *r.reduced_cost);
  }
  if (p.discrete && r.dual_obj) {
    const double gap = std::fabs(*r.primal_obj - *r.dual_obj);
    r.mip_gap_abs = gap;
    r.mip_gap_rel = gap == 0 ? 0.0 : *r.primal_obj == 0 ? kInf : gap / std::fabs(*r.primal_obj);
  }
}

std::string point_violation(const Problem &p, const std::vector<double> &x) {
  if (x.size() != to_size(p.model.num_vars())) {
    return "the point has the wrong size";
  }
  return violation(p, x, nullptr, activities(p.model, x, nullptr));
}

}  // namespace tvx
