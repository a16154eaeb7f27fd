// The CBC engine: MIPs with SOS or indicator constraints, branch and cut on
// CLP through their C++ API.
//
// The search sees the model's own columns first, in their order, so a point
// of the search is a point of the model; what the engine adds follows them:
//   - per indicator, one slack column per side of its row (two for '='),
//     each in an SOS1 with the indicator's active binary, so the row holds
//     exactly whenever the indicator is active. When the row's violation has
//     a finite, small bound M, the slack is also bounded by M(1 - binary),
//     which only tightens the relaxation;
//   - per indicator active at 0, a complement column c = 1 - binary.
//   - per semi-continuous or semi-integer variable whose range excludes 0,
//     a switch (see state_variable).
// Nothing is presolved away.
//
// CBC keeps some state in globals, so one CBC search runs at a time.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine.h"

#include <CbcEventHandler.hpp>
#include <CbcHeuristic.hpp>
#include <CbcHeuristicDiveCoefficient.hpp>
#include <CbcHeuristicFPump.hpp>
#include <CbcHeuristicLocal.hpp>
#include <CbcHeuristicRINS.hpp>
#include <CbcModel.hpp>
#include <CbcBranchingObject.hpp>
#include <CglClique.hpp>
#include <CglFlowCover.hpp>
#include <CglGomory.hpp>
#include <CglKnapsackCover.hpp>
#include <CglMixedIntegerRounding2.hpp>
#include <CoinError.hpp>
#include <CoinMessageHandler.hpp>
#include <CoinPackedMatrix.hpp>
#include <OsiClpSolverInterface.hpp>

namespace tvx {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// The largest bound on an indicator row's violation that is also stated as
// a big-M row; larger ones would only spoil the relaxation's numerics.
constexpr double kMaxBigM = 1e5;

std::mutex &cbc_mutex() {
  static std::mutex mutex;
  return mutex;
}

// CBC's and CLP's messages, into the solve log or nowhere.
class LogHandler final : public CoinMessageHandler {
 public:
  explicit LogHandler(SolveLog &log) : log_(log) { setLogLevel(log.enabled() ? 1 : 0); }
  int print() override {
    log_.line(messageBuffer());
    return 0;
  }
  CoinMessageHandler *clone() const override { return new LogHandler(*this); }

 private:
  SolveLog &log_;
};

// ---- Special ordered sets ---------------------------------------------------

// Below this magnitude a member counts as 0. It is far inside the answer
// check's tolerance, so a set the search takes as satisfied passes it.
constexpr double kZero = 1e-8;

// Fixes column j at 0 by intersecting its bounds with [0, 0]; a column that
// cannot be 0 is left with crossed bounds, an infeasible subproblem.
void bound_at_zero(OsiSolverInterface *solver, int j) {
  solver->setColLower(j, std::max(solver->getColLower()[j], 0.0));
  solver->setColUpper(j, std::min(solver->getColUpper()[j], 0.0));
}

// An SOS over members in the order of their weights, whatever their signs:
// an SOS1 has at most one member away from 0, an SOS2 at most two, next to
// each other. (CBC's own sets take negative values as 0 and assume every
// member can be 0 at any node, which integer branching breaks.)
class OrderedSet final : public CbcObject {
 public:
  OrderedSet(CbcModel *model, std::vector<int> members, int type, int id)
      : CbcObject(model), members_(std::move(members)), type_(type) {
    id_ = id;
  }
  CbcObject *clone() const override { return new OrderedSet(*this); }
  const std::vector<int> &members() const { return members_; }
  int width() const { return type_; }

  // First and last position away from 0, -1 when none. A member whose
  // bounds hold only 0 counts as 0 whatever its value within the LP's
  // tolerance: branching cannot fix it any further.
  std::pair<int, int> window(const double *x) const {
    const OsiSolverInterface *solver = model_->solver();
    const double *lower = solver->getColLower();
    const double *upper = solver->getColUpper();
    int first = -1, last = -1;
    for (int k = 0; k < static_cast<int>(members_.size()); ++k) {
      const int j = members_[k];
      if (std::fabs(x[j]) <= kZero || (lower[j] == 0 && upper[j] == 0)) continue;
      if (first < 0) first = k;
      last = k;
    }
    return {first, last};
  }
  bool satisfied(const std::pair<int, int> &w) const {
    return w.first < 0 || w.second - w.first < type_;
  }

  // The point under test is the model's, not always info's (a heuristic's
  // candidate, say).
  double infeasibility(const OsiBranchingInformation *, int &way) const override {
    way = 1;
    const std::pair<int, int> w = window(model_->testSolution());
    if (satisfied(w)) return 0.0;
    return 0.5 * (w.second - w.first + 1) / static_cast<double>(members_.size());
  }

  // At a solution: the members outside its window are fixed at 0.
  void feasibleRegion() override {
    OsiSolverInterface *solver = model_->solver();
    const std::pair<int, int> w = window(model_->testSolution());
    const double *lower = solver->getColLower();
    const double *upper = solver->getColUpper();
    for (int k = 0; k < static_cast<int>(members_.size()); ++k) {
      const int j = members_[k];
      const bool inside = w.first >= 0 && k >= w.first && k <= w.second;
      if (!inside && lower[j] <= 0 && upper[j] >= 0) bound_at_zero(solver, j);
    }
  }

  CbcBranchingObject *createCbcBranch(OsiSolverInterface *solver,
                                      const OsiBranchingInformation *info, int way) override;

 private:
  std::vector<int> members_;
  int type_;
};

// Splits a set at position split: one arm keeps the members up to it, the
// other those from it on (an SOS1 splits between split and split + 1, an
// SOS2 shares the member at split).
class OrderedSetBranch final : public CbcBranchingObject {
 public:
  OrderedSetBranch(CbcModel *model, const OrderedSet *set, int way, int split)
      : CbcBranchingObject(model, set->id(), way, split), set_(set), split_(split) {}
  CbcBranchingObject *clone() const override { return new OrderedSetBranch(*this); }

  double branch() override {
    decrementNumberBranchesLeft();
    apply(model_->solver(), way_);
    way_ = -way_;
    return 0.0;
  }
  void fix(OsiSolverInterface *solver, double *lower, double *upper,
           int state) const override {
    apply(solver, state);
    for (int j : set_->members()) {
      lower[j] = solver->getColLower()[j];
      upper[j] = solver->getColUpper()[j];
    }
  }
  CbcBranchObjType type() const override { return static_cast<CbcBranchObjType>(500); }
  int compareOriginalObject(const CbcBranchingObject *other) const override {
    const auto *o = dynamic_cast<const OrderedSetBranch *>(other);
    return o == nullptr ? 1 : set_->id() - o->set_->id();
  }
  CbcRangeCompare compareBranchingObject(const CbcBranchingObject *other, const bool) override {
    const auto *o = dynamic_cast<const OrderedSetBranch *>(other);
    return o != nullptr && o->split_ == split_ && o->way_ == way_ ? CbcRangeSame
                                                                   : CbcRangeDisjoint;
  }

 private:
  // Arm -1 keeps positions up to split, +1 those from split (SOS1: after it).
  void apply(OsiSolverInterface *solver, int arm) const {
    const std::vector<int> &m = set_->members();
    const int n = static_cast<int>(m.size());
    const int keep_from = set_->width() == 1 ? split_ + 1 : split_;
    for (int k = 0; k < n; ++k) {
      const bool kept = arm < 0 ? k <= split_ : k >= keep_from;
      if (!kept) bound_at_zero(solver, m[k]);
    }
  }

  const OrderedSet *set_;
  int split_;
};

CbcBranchingObject *OrderedSet::createCbcBranch(OsiSolverInterface *,
                                                const OsiBranchingInformation *, int way) {
  const double *x = model_->testSolution();
  const std::pair<int, int> w = window(x);
  if (satisfied(w)) return nullptr;
  // Split near the members' centre of mass, so that both arms cut off the
  // current point: an SOS1 splits in [first, last), an SOS2 in (first, last).
  double mass = 0, moment = 0;
  for (int k = w.first; k <= w.second; ++k) {
    const double v = std::fabs(x[members_[k]]);
    mass += v;
    moment += k * v;
  }
  int split = static_cast<int>(std::floor(moment / mass));
  if (type_ == 1) {
    split = std::min(std::max(split, w.first), w.second - 1);
  } else {
    split = std::min(std::max(split, w.first + 1), w.second - 1);
  }
  // The branch decision looks at the object each branch came from.
  auto *branch = new OrderedSetBranch(model_, this, way, split);
  branch->setOriginalObject(this);
  return branch;
}

// What the search reports through its events, the stalling limit, which
// CBC lacks, and the check of every incumbent: some heuristics know only
// integer variables, and CBC takes their points without asking the sets.
struct SearchWatch {
  const Problem *problem = nullptr;
  int max_stalling = INT_MAX;
  int rejected = 0;  // incumbents refused
  int last_improvement = 0;  // node count at the last new incumbent
  bool stalled = false;
};

class Watcher final : public CbcEventHandler {
 public:
  explicit Watcher(SearchWatch *watch) : watch_(watch) {}
  CbcAction event(CbcEvent which) override {
    const int nodes = getModel()->getNodeCount();
    switch (which) {
      case beforeSolution1:
      case beforeSolution2: {
        const double *x = getModel()->bestSolution();
        if (x == nullptr) break;
        const int n = watch_->problem->model.num_vars();
        const std::string why = point_violation(*watch_->problem, std::vector<double>(x, x + n));
        if (!why.empty()) {
          ++watch_->rejected;
          return killSolution;
        }
        break;
      }
      case solution:
      case heuristicSolution:
        watch_->last_improvement = nodes;
        break;
      case node:
        if (nodes - watch_->last_improvement >= watch_->max_stalling &&
            getModel()->getSolutionCount() > 0) {
          watch_->stalled = true;
          return stop;
        }
        break;
      default:
        break;
    }
    return noAction;
  }
  CbcEventHandler *clone() const override { return new Watcher(*this); }

 private:
  SearchWatch *watch_;
};

// The columns and rows handed to CLP, the model's own first.
struct Formulation {
  std::vector<double> col_lb, col_ub, cost;
  std::vector<char> integer;
  CoinPackedMatrix rows{false, 0, 0};  // row-ordered
  std::vector<double> row_lb, row_ub;
  // No point can satisfy the sets (found while stating them).
  bool infeasible = false;
  // SOS sets: type, members and weights.
  struct Set {
    int type;
    std::vector<int> member;
    std::vector<double> weight;
  };
  std::vector<Set> sets;
  // Semi-continuous and semi-integer variables whose range excludes 0.
  struct Switch {
    int column;
    double lb, ub;
  };
  std::vector<Switch> switches;
  // Per indicator, its slack columns.
  std::vector<std::vector<int>> slacks;

  int add_column(double lb, double ub, bool is_integer) {
    col_lb.push_back(lb);
    col_ub.push_back(ub);
    cost.push_back(0);
    integer.push_back(is_integer ? 1 : 0);
    return static_cast<int>(col_lb.size()) - 1;
  }
  void add_row(const std::vector<int> &ind, const std::vector<double> &val, double lb,
               double ub) {
    rows.appendRow(static_cast<int>(ind.size()), ind.data(), val.data());
    row_lb.push_back(lb);
    row_ub.push_back(ub);
  }
};

// The bounds of variable j as the search states them. A semi-continuous or
// semi-integer x whose range [lb, ub] excludes 0 gets a switch: a binary u
// and its complement c = 1 - u, with x in an SOS1 with c (x is 0 unless u
// is 1) and x >= lb u (x <= ub u for a range below 0), plus x <= ub u
// (x >= lb u) where that bound is finite and small.
void state_variable(const Vars &v, int j, double sign, Formulation &f) {
  double lb = finite_or_inf(v.lb[j]), ub = finite_or_inf(v.ub[j]);
  bool is_integer = false, semi = false;
  switch (v.type[j]) {
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
      is_integer = v.type[j] == 'N';
      if (lb > ub || lb == kInf || ub == -kInf) {
        lb = ub = 0;
      } else {
        semi = lb > 0 || ub < 0;
      }
      break;
    default:
      break;
  }
  if (!semi) {
    f.add_column(lb, ub, is_integer);
    f.cost.back() = sign * v.obj[j];
    return;
  }
  f.add_column(std::min(lb, 0.0), std::max(ub, 0.0), is_integer);
  f.cost.back() = sign * v.obj[j];
  f.switches.push_back({j, lb, ub});
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
    const double a = val[k], lb = f.col_lb[ind[k]], ub = f.col_ub[ind[k]];
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
    const int bin = g.binvar[k];
    // An indicator's variable is binary whatever its stated type.
    f.col_lb[bin] = std::max(f.col_lb[bin], 0.0);
    f.col_ub[bin] = std::min(f.col_ub[bin], 1.0);
    f.integer[bin] = 1;
    int active = bin;
    if (g.binval[k] == 0) {
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
    const double rhs = finite_or_inf(g.rhs[k]);
    const std::pair<double, double> range = activity_range(ind, val, f);
    const char sense = g.sense[k];
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
  if (f.col_lb[j] > 0 || f.col_ub[j] < 0) f.infeasible = true;
  f.col_lb[j] = f.col_ub[j] = 0;
}

// The search branches on real choices only. Members fixed at 0 are dropped from an SOS1 (an SOS2 keeps them:
// they separate their neighbours); a member that cannot be 0 settles
// the set (an SOS1 fixes the others at 0; an SOS2 leaves its neighbours, at
// most one of them nonzero); sets that can no longer be violated are
// dropped. Members are put in the order of their weights; equal weights
// keep their given order.
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
      if (set.type == 2 || !(f.col_lb[j] == 0 && f.col_ub[j] == 0)) members.push_back(j);
    }
    std::vector<std::size_t> forced;
    for (std::size_t k = 0; k < members.size(); ++k) {
      if (f.col_lb[members[k]] > 0 || f.col_ub[members[k]] < 0) forced.push_back(k);
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
    kept.push_back(std::move(set));
  }
  f.sets = std::move(kept);
}

Formulation formulate(const Store &model) {
  const int n = model.num_vars();
  const double sign = model.sense() == TVX_MINIMIZE ? 1.0 : -1.0;
  Formulation f;
  for (int j = 0; j < n; ++j) state_variable(model.vars(), j, sign, f);
  const Rows &rows = model.rows();
  for (int i = 0; i < model.num_rows(); ++i) {
    f.rows.appendRow(rows.terms.length(i), rows.terms.index(i), rows.terms.value(i));
    f.row_lb.push_back(finite_or_inf(rows.lhs[i]));
    f.row_ub.push_back(finite_or_inf(rows.rhs[i]));
  }
  const SosSets &sos = model.sos();
  for (int k = 0; k < model.num_sos(); ++k) {
    const int len = sos.members.length(k);
    f.sets.push_back({sos.type[k] == TVX_SOS_TYPE2 ? 2 : 1,
                      std::vector<int>(sos.members.index(k), sos.members.index(k) + len),
                      std::vector<double>(sos.members.value(k), sos.members.value(k) + len)});
  }
  state_switches(f);
  state_indicators(model, f);
  settle_sets(f);
  return f;
}

// A full start point from the model's MIP start: the given values of the
// model's columns are fixed, the slacks of indicators the start makes active
// are 0, and CLP completes the rest. Empty when no value is given, no
// completion exists, or the completed point is not feasible for the model.
std::vector<double> complete_start(const Problem &p, const Formulation &f,
                                   const OsiClpSolverInterface &base) {
  const Store &model = p.model;
  const int n = model.num_vars();
  const std::vector<double> &given = model.vars().start;
  bool any = false;
  std::unique_ptr<OsiSolverInterface> lp(base.clone());
  lp->messageHandler()->setLogLevel(0);
  for (int j = 0; j < n; ++j) {
    double s = given[j];
    if (s == kUndefined || !std::isfinite(s)) continue;
    if (f.integer[j]) s = std::nearbyint(s);
    any = true;
    lp->setColBounds(j, s, s);
  }
  if (!any) return {};
  for (int j = 0; j < static_cast<int>(f.col_lb.size()); ++j) lp->setContinuous(j);
  const GenConstrs &g = model.genconstrs();
  for (int k = 0; k < model.num_genconstrs(); ++k) {
    const double b = given[g.binvar[k]];
    if (b == kUndefined || std::nearbyint(b) != g.binval[k]) continue;
    for (int s : f.slacks[k]) lp->setColBounds(s, 0, 0);
  }
  lp->initialSolve();
  if (!lp->isProvenOptimal()) return {};
  const double *x = lp->getColSolution();
  std::vector<double> point(x, x + lp->getNumCols());
  if (!point_violation(p, std::vector<double>(x, x + n)).empty()) return {};
  return point;
}

// Cut generators and heuristics. Probing is left out: with the sets in the
// model its bound fixings were seen to cut off true optima. Heuristics know
// only integer variables; the watcher refuses their points that break a set.
void add_search_aids(CbcModel &cbc) {
  CglGomory gomory;
  gomory.setLimit(300);
  CglKnapsackCover knapsack;
  CglClique clique;
  clique.setStarCliqueReport(false);
  clique.setRowCliqueReport(false);
  CglMixedIntegerRounding2 rounding;
  CglFlowCover flow;
  // The model keeps its own copies of generators and heuristics.
  cbc.addCutGenerator(&gomory, -1, "Gomory");
  cbc.addCutGenerator(&knapsack, -1, "Knapsack");
  cbc.addCutGenerator(&clique, -1, "Clique");
  cbc.addCutGenerator(&rounding, -1, "MixedIntegerRounding2");
  cbc.addCutGenerator(&flow, -1, "FlowCover");

  CbcRounding round(cbc);
  CbcHeuristicFPump pump(cbc);
  CbcHeuristicLocal local(cbc);
  CbcHeuristicRINS rins(cbc);
  CbcHeuristicDiveCoefficient dive(cbc);
  cbc.addHeuristic(&round);
  cbc.addHeuristic(&pump);
  cbc.addHeuristic(&local);
  cbc.addHeuristic(&rins);
  cbc.addHeuristic(&dive);
}

void set_limits(CbcModel &cbc, const Problem &p, double sign) {
  const double max_time = p.param("MaxTime");
  cbc.setUseElapsedTime(true);
  if (max_time < kInfinity) cbc.setMaximumSeconds(max_time);
  const int max_nodes = p.int_param("MIP/MaxNodes");
  if (max_nodes < INT_MAX) cbc.setMaximumNodes(max_nodes);
  const int max_sols = p.int_param("MIP/MaxSols");
  if (max_sols < INT_MAX) cbc.setMaximumSolutions(max_sols);
  cbc.setIntegerTolerance(std::max(1e-9, p.param("MIP/IntegerTolerance")));
  cbc.setAllowableGap(p.param("MIP/GapAbs"));
  cbc.setAllowableFractionGap(p.param("MIP/GapRel"));
  const double cutoff = p.param("MIP/Cutoff");
  if (std::fabs(cutoff) < kInfinity) cbc.setCutoff(sign * (cutoff - p.model.objcon()));
  OsiSolverInterface *lp = cbc.solver();
  lp->setDblParam(OsiPrimalTolerance, std::max(1e-10, p.param("SPX/PrimalTolerance")));
  lp->setDblParam(OsiDualTolerance, std::max(1e-10, p.param("SPX/DualTolerance")));
}

class CbcEngine final : public Engine {
 public:
  const char *name() const override { return "CBC"; }
  void solve(const Problem &p, SolveOutcome &out) const override;
};

void CbcEngine::solve(const Problem &p, SolveOutcome &out) const {
  const Store &model = p.model;
  Results &r = out.results;
  const int n = model.num_vars();
  const double sign = model.sense() == TVX_MINIMIZE ? 1.0 : -1.0;
  Formulation f = formulate(model);
  if (f.infeasible) {
    p.log.line("Infeasible: the SOS sets cannot hold within the bounds.");
    r.status = TVX_STATUS_INFEASIBLE;
    r.stats = SolveStats();
    return;
  }
  const int columns = static_cast<int>(f.col_lb.size());
  f.rows.setDimensions(static_cast<int>(f.row_lb.size()), columns);

  std::lock_guard<std::mutex> lock(cbc_mutex());
  const auto started = std::chrono::steady_clock::now();
  LogHandler handler(p.log);
  OsiClpSolverInterface lp;
  lp.passInMessageHandler(&handler);
  lp.loadProblem(f.rows, f.col_lb.data(), f.col_ub.data(), f.cost.data(), f.row_lb.data(),
                 f.row_ub.data());
  for (int j = 0; j < columns; ++j) {
    if (f.integer[j]) lp.setInteger(j);
  }
  const std::vector<double> start = complete_start(p, f, lp);

  SearchWatch watch;
  watch.problem = &p;
  watch.max_stalling = p.int_param("MIP/MaxStallingNodes");
  CbcModel cbc(lp);
  cbc.passInMessageHandler(&handler);
  cbc.setLogLevel(p.log.enabled() ? 1 : 0);
  Watcher watcher(&watch);
  cbc.passInEventHandler(&watcher);

  std::vector<std::unique_ptr<CbcObject>> objects;
  for (std::size_t k = 0; k < f.sets.size(); ++k) {
    const Formulation::Set &set = f.sets[k];
    objects.emplace_back(new OrderedSet(&cbc, set.member, set.type, static_cast<int>(k)));
  }
  std::vector<CbcObject *> raw;
  for (auto &o : objects) raw.push_back(o.get());
  cbc.findIntegers(false);
  if (!raw.empty()) cbc.addObjects(static_cast<int>(raw.size()), raw.data());
  // Plain branching decisions: the pseudo-cost decision of CBC dereferences
  // objects that only its own integer branches have.
  cbc.setNumberBeforeTrust(0);
  add_search_aids(cbc);
  set_limits(cbc, p, sign);
  if (!start.empty()) {
    double value = 0;
    for (int j = 0; j < columns; ++j) value += f.cost[j] * start[j];
    cbc.setBestSolution(start.data(), columns, value, false);
  } else if (std::any_of(model.vars().start.begin(), model.vars().start.end(),
                         [](double s) { return s != kUndefined; })) {
    p.log.line("The MIP start cannot be completed to a feasible point; solving without it.");
  }

  try {
    cbc.branchAndBound();
  } catch (const CoinError &e) {
    p.log.line("CBC failed: " + e.className() + "::" + e.methodName() + ": " + e.message());
    out.code = TVX_ERROR_ERROR;
    return;
  }

  SolveStats stats;
  stats.spx_iters = std::max(cbc.getIterationCount(), 0);
  stats.solver_time =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  r.stats = stats;
  out.nodes = std::max(cbc.getNodeCount(), 0);

  const double *best = cbc.bestSolution();
  const bool found = best != nullptr;
  const auto stopped = [&](int code) {
    out.code = code;
    r.status = found ? TVX_STATUS_SUB_OPTIMAL : TVX_STATUS_UNKNOWN;
  };
  if (watch.stalled) {
    stopped(TVX_ERROR_ABORT_STALLING_NODE_LIMIT);
  } else {
    switch (cbc.secondaryStatus()) {
      case 0:  // search completed
      case 2:  // within the gap
        r.status = found ? TVX_STATUS_OPTIMAL : TVX_STATUS_INFEASIBLE;
        break;
      case 1:
        r.status = TVX_STATUS_INFEASIBLE;
        break;
      case 3:
        stopped(TVX_ERROR_ABORT_NODE_LIMIT);
        break;
      case 4:
        stopped(TVX_ERROR_ABORT_TIME_LIMIT);
        break;
      case 6:
        stopped(TVX_ERROR_ABORT_SOLUTION_LIMIT);
        break;
      case 7:
        r.status = TVX_STATUS_INF_OR_UBD;
        break;
      case 8:
        stopped(TVX_ERROR_ABORT_ITERATION_LIMIT);
        break;
      default:
        if (cbc.isProvenInfeasible()) {
          r.status = TVX_STATUS_INFEASIBLE;
        } else if (cbc.isContinuousUnbounded()) {
          r.status = TVX_STATUS_INF_OR_UBD;
        } else {
          stopped(TVX_ERROR_SIMPLEX_NUMERIC);
        }
        break;
    }
  }
  if (found && (r.status == TVX_STATUS_OPTIMAL || r.status == TVX_STATUS_SUB_OPTIMAL)) {
    r.x = std::vector<double>(best, best + n);
    const double bound = cbc.getBestPossibleObjValue();
    if (std::isfinite(bound) && std::fabs(bound) < 1e50) {
      r.dual_obj = sign * bound + model.objcon();
    }
  }
}

}  // namespace

const Engine &cbc_engine() {
  static const CbcEngine engine;
  return engine;
}

}  // namespace tvx
