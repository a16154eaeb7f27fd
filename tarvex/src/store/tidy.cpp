#include "store/tidy.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace tvx {
namespace {

// The exact value x_j should have, or x_j itself when it is exact already or
// the nearest exact value is out of tolerance or out of bounds.
double tidy_value(const Vars &v, int j, double x, double tol) {
  const char type = v.type[to_size(j)];
  double target = x;
  if (is_integral_type(type)) target = std::nearbyint(x);
  if (is_semi_type(type) && std::fabs(x) <= tol) target = 0;
  if (target == x || !(std::fabs(target - x) <= tol)) return x;
  if (target == 0 && is_semi_type(type)) return target;
  double lb = v.solve_lb(j), ub = v.solve_ub(j);
  if (is_integral_type(type)) {
    // The bounds as solves take them (solve/prepare.h): 26 is within an
    // upper bound of 25.9999999.
    lb = integer_at_or_above(lb, tol);
    ub = integer_at_or_below(ub, tol);
  }
  return target >= lb && target <= ub ? target : x;
}

}  // namespace

int tidy_integer_solution(Store &s, double tolerance) {
  const Results &old = s.results();
  if (!old.x || old.x->size() != to_size(s.num_vars())) return 0;
  const std::vector<double> &before = *old.x;
  std::vector<double> after = before;
  // Compared by flag, not by value, so a NaN never counts as a change.
  std::vector<char> moved(after.size(), 0);
  int changed = 0;
  for (int j = 0; j < s.num_vars(); ++j) {
    const double x = tidy_value(s.vars(), j, before[to_size(j)], tolerance);
    if (x == before[to_size(j)] || std::isnan(x)) continue;
    after[to_size(j)] = x;
    moved[to_size(j)] = 1;
    ++changed;
  }
  if (changed == 0) return 0;

  Results next = old;
  // Updated by the change alone, so terms that do not depend on x (PSD
  // parts, the constant) keep what the solve computed.
  if (next.activity && next.activity->size() == to_size(s.num_rows())) {
    const SparseList &terms = s.rows().terms;
    for (int i = 0; i < s.num_rows(); ++i) {
      const int *ind = terms.index(i);
      const double *val = terms.value(i);
      double delta = 0;
      for (int e = 0; e < terms.length(i); ++e) {
        const std::size_t j = to_size(ind[e]);
        if (moved[j]) delta += val[e] * (after[j] - before[j]);
      }
      (*next.activity)[to_size(i)] += delta;
    }
  }
  if (next.primal_obj) {
    double delta = 0;
    for (std::size_t j = 0; j < before.size(); ++j) {
      if (moved[j]) delta += s.vars().obj[j] * (after[j] - before[j]);
    }
    const QTerms &q = s.qterms();
    for (std::size_t k = 0; k < q.val.size(); ++k) {
      const std::size_t r = to_size(q.row[k]);
      const std::size_t c = to_size(q.col[k]);
      delta += q.val[k] * (after[r] * after[c] - before[r] * before[c]);
    }
    *next.primal_obj += delta;
    if (next.dual_obj && next.mip_gap_abs) {
      const double gap = std::fabs(*next.primal_obj - *next.dual_obj);
      next.mip_gap_abs = gap;
      next.mip_gap_rel = gap == 0                ? 0.0
                         : *next.primal_obj == 0 ? kInf
                                                 : gap / std::fabs(*next.primal_obj);
    }
  }
  next.x = std::move(after);
  s.set_results(std::move(next));
  return changed;
}

}  // namespace tvx
