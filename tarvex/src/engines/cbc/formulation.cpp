// Stating a model for the CBC search (formulation.h).
#include "engines/cbc/formulation.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "solve/prepare.h"
#include "store/store.h"

namespace tvx {
namespace {

// The largest bound on an indicator row's violation that is also stated as
// a big-M row; larger ones would only spoil the relaxation's numerics.
constexpr double kMaxBigM = 1e5;

// The largest cost the search states; larger ones are scaled down to it.
constexpr double kLargestCost = 1e6;

// A power of two, so that scaled costs are exact.
double objective_scale(const Store &model) {
  double largest = 0;
  for (double c : model.vars().obj) largest = std::max(largest, std::fabs(c));
  if (largest <= kLargestCost) return 1;
  return std::exp2(std::floor(std::log2(kLargestCost / largest)));
}

// Rows scaled as solve/prepare.h says.
void state_row(const Store &model, int i, Formulation &f) {
  const Rows &rows = model.rows();
  const int length = rows.terms.length(i);
  std::vector<double> value(rows.terms.value(i), rows.terms.value(i) + length);
  const double scale = row_scale(model, i);
  for (double &a : value) a *= scale;
  f.rows.appendRow(length, rows.terms.index(i), value.data());
  f.row_lb.push_back(scale * finite_or_inf(rows.lhs[to_size(i)]));
  f.row_ub.push_back(scale * finite_or_inf(rows.rhs[to_size(i)]));
}

// The bounds of variable j as the search states them. A semi-continuous or
// semi-integer x whose range [lb, ub] excludes 0 gets a switch: a binary u
// and its complement c = 1 - u, with x in an SOS1 with c (x is 0 unless u
// is 1) and x >= lb u (x <= ub u for a range below 0), plus x <= ub u
// (x >= lb u) where that bound is finite and small.
void state_variable(const Vars &v, int j, Formulation &f) {
  double lb = finite_or_inf(v.lb[to_size(j)]), ub = finite_or_inf(v.ub[to_size(j)]);
  bool is_integer = false, semi = false;
  switch (v.type[to_size(j)]) {
    case 'B':
      lb = std::max(lb, 0.0);
      ub = std::min(ub, 1.0);
      is_integer = true;
      break;
    case 'I':
      is_integer = true;
      break;
    case 'S':
    case 'N':
      is_integer = v.type[to_size(j)] == 'N';
      if (lb > ub || lb == kInf || ub == -kInf) {
        lb = ub = 0;
      } else {
        semi = lb > 0 || ub < 0;
      }
      break;
    default:
      break;
  }
  if (semi) {
    f.switches.push_back({j, lb, ub});
    lb = std::min(lb, 0.0);
    ub = std::max(ub, 0.0);
  }
  f.add_column(lb, ub, is_integer);
  f.cost.back() = f.direction * f.scale * v.obj[to_size(j)];
}

// The switches of semi-continuous and semi-integer variables, once every
// model column is stated.
void state_switches(Formulation &f) {
  for (const Formulation::Switch &w : f.switches) {
    const int u = f.add_column(0, 1, true);
    const int c = f.add_column(0, 1, false);
    f.add_row({u, c}, {1, 1}, 1, 1);
    f.sets.push_back({1, {w.column, c}, {1, 2}});
    // near: the end of the range nearer 0, far: the other.
    const bool above = w.lb > 0;
    const double near = above ? w.lb : w.ub, far = above ? w.ub : w.lb;
    f.add_row({w.column, u}, {1, -near}, above ? 0 : -kInf, above ? kInf : 0);
    if (std::fabs(far) <= kMaxBigM) {
      f.add_row({w.column, u}, {1, -far}, above ? -kInf : 0, above ? 0 : kInf);
    }
  }
}

// The range of a.x over the columns' bounds.
std::pair<double, double> activity_range(const std::vector<int> &ind,
                                         const std::vector<double> &val, const Formulation &f) {
  double low = 0, high = 0;
  for (std::size_t k = 0; k < ind.size(); ++k) {
    const double a = val[k], lb = f.col_lb[to_size(ind[k])], ub = f.col_ub[to_size(ind[k])];
    low += a > 0 ? a * lb : a * ub;
    high += a > 0 ? a * ub : a * lb;
  }
  // inf - inf cannot arise: each side sums terms of one sign of infinity.
  return {low, high};
}

// The indicators as rows with slacks in SOS1 with their binaries.
void state_indicators(const Store &model, Formulation &f) {
  const GenConstrs &g = model.genconstrs();
  std::map<int, int> complement;  // binary -> column holding 1 - binary
  for (int k = 0; k < model.num_genconstrs(); ++k) {
    const int bin = g.binvar[to_size(k)];
    // An indicator's variable is binary whatever its stated type.
    f.col_lb[to_size(bin)] = std::max(f.col_lb[to_size(bin)], 0.0);
    f.col_ub[to_size(bin)] = std::min(f.col_ub[to_size(bin)], 1.0);
    f.integer[to_size(bin)] = 1;
    int active = bin;
    if (g.binval[to_size(k)] == 0) {
      auto found = complement.find(bin);
      if (found == complement.end()) {
        const int c = f.add_column(0, 1, false);
        f.add_row({bin, c}, {1, 1}, 1, 1);
        found = complement.emplace(bin, c).first;
      }
      active = found->second;
    }

    std::vector<int> ind(g.terms.index(k), g.terms.index(k) + g.terms.length(k));
    std::vector<double> val(g.terms.value(k), g.terms.value(k) + g.terms.length(k));
    const double rhs = finite_or_inf(g.rhs[to_size(k)]);
    const std::pair<double, double> range = activity_range(ind, val, f);
    const char sense = g.sense[to_size(k)];
    // side +1 bounds a.x from above (a.x - s <= rhs), -1 from below.
    std::vector<int> sides;
    if (sense == '<' || sense == '=') sides.push_back(1);
    if (sense == '>' || sense == '=') sides.push_back(-1);
    std::vector<int> row_ind = ind;
    std::vector<double> row_val = val;
    f.slacks.emplace_back();
    for (int side : sides) {
      // The largest violation the bounds allow, the slack's upper bound.
      const double most = side > 0 ? range.second - rhs : rhs - range.first;
      // NOLINTNEXTLINE(bugprone-narrowing-conversions): +infinity in ?: is no narrowing
      const double bound = std::isnan(most) ? kInf : std::max(most, 0.0);
      const int s = f.add_column(0, bound, false);
      f.slacks.back().push_back(s);
      row_ind.push_back(s);
      row_val.push_back(-side);
      f.sets.push_back({1, {s, active}, {1, 2}});
      if (bound > 0 && bound <= kMaxBigM) f.add_row({s, active}, {1, bound}, -kInf, bound);
    }
    if (sense == '=') {
      f.add_row(row_ind, row_val, rhs, rhs);
    } else if (sense == '<') {
      f.add_row(row_ind, row_val, -kInf, rhs);
    } else {
      f.add_row(row_ind, row_val, rhs, kInf);
    }
  }
}

// Sets the bounds of column j to 0, or marks the problem infeasible when 0
// is outside them.
void fix_at_zero(Formulation &f, int j) {
  if (f.col_lb[to_size(j)] > 0 || f.col_ub[to_size(j)] < 0) f.infeasible = true;
  f.col_lb[to_size(j)] = f.col_ub[to_size(j)] = 0;
}

// The search branches on real choices only. Members fixed at 0 are dropped
// from an SOS1 (an SOS2 keeps them: they separate their neighbours); a
// member that cannot be 0 settles the set (an SOS1 fixes the others at 0;
// an SOS2 leaves its neighbours, at most one of them nonzero); sets that
// can no longer be violated are dropped. Members are put in the order of
// their weights; equal weights keep their given order.
void settle_sets(Formulation &f) {
  std::vector<Formulation::Set> kept;
  for (Formulation::Set &set : f.sets) {
    std::vector<std::size_t> order(set.member.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return set.weight[a] < set.weight[b]; });
    std::vector<int> members;
    for (std::size_t k : order) {
      const int j = set.member[k];
      if (set.type == 2 || !(f.col_lb[to_size(j)] == 0 && f.col_ub[to_size(j)] == 0))
        members.push_back(j);
    }
    std::vector<std::size_t> forced;
    for (std::size_t k = 0; k < members.size(); ++k) {
      if (f.col_lb[to_size(members[k])] > 0 || f.col_ub[to_size(members[k])] < 0)
        forced.push_back(k);
    }
    const std::size_t width = set.type == 2 ? 2 : 1;
    if (forced.size() > width || (forced.size() == 2 && forced[1] != forced[0] + 1)) {
      f.infeasible = true;
      continue;
    }
    if (!forced.empty()) {
      // The members that may still be nonzero besides the forced ones.
      std::vector<int> free;
      const std::size_t first = forced.front(), last = forced.back();
      if (width == 2 && forced.size() == 1) {
        if (first > 0) free.push_back(members[first - 1]);
        if (first + 1 < members.size()) free.push_back(members[first + 1]);
      }
      for (std::size_t k = 0; k < members.size(); ++k) {
        const int j = members[k];
        const bool neighbour = std::find(free.begin(), free.end(), j) != free.end();
        if ((k < first || k > last) && !neighbour) fix_at_zero(f, j);
      }
      set.type = 1;
      members = free;
    }
    if (members.size() <= (set.type == 2 ? 2u : 1u)) continue;
    set.member = members;
    set.weight.clear();
    kept.push_back(std::move(set));
  }
  f.sets = std::move(kept);
}

}  // namespace

Formulation formulate(const Store &model) {
  const int n = model.num_vars();
  Formulation f;
  f.direction = model.sense() == TVX_MINIMIZE ? 1.0 : -1.0;
  f.scale = objective_scale(model);
  for (int j = 0; j < n; ++j) state_variable(model.vars(), j, f);
  for (int i = 0; i < model.num_rows(); ++i) state_row(model, i, f);
  const SosSets &sos = model.sos();
  for (int k = 0; k < model.num_sos(); ++k) {
    const int len = sos.members.length(k);
    f.sets.push_back({sos.type[to_size(k)] == TVX_SOS_TYPE2 ? 2 : 1,
                      std::vector<int>(sos.members.index(k), sos.members.index(k) + len),
                      std::vector<double>(sos.members.value(k), sos.members.value(k) + len)});
  }
  state_switches(f);
  state_indicators(model, f);
  settle_sets(f);
  return f;
}

}  // namespace tvx
