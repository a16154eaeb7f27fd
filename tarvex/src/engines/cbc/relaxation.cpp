// Settling the relaxation of relaxation.h.
#include "engines/cbc/relaxation.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <CbcEventHandler.hpp>
#include <CbcModel.hpp>
#include <CoinMessageHandler.hpp>
#include <OsiClpSolverInterface.hpp>

#include "engines/cbc/clp_watch.h"
#include "engines/cbc/ordered_sets.h"
#include "solve/answer_check.h"

namespace tvx {
namespace {

// Beyond this many parts the split is not worth finishing.
constexpr int kMaxParts = 2000;
// The reduced cost that a ray whose slope is the dual tolerance has in the
// LP that finds it.
constexpr double kRaySlopeShown = 1e-3;
// A slope below the dual tolerance and above this share of it is a ray
// the simplex may take for none or follow out to infinity.
constexpr double kSmallestSlope = 1e-3;
// How far a ray scaled to the box may miss the cone's rows and bounds,
// relative to the row's terms.
constexpr double kRayTolerance = 1e-6;

using Clock = std::chrono::steady_clock;
// Columns fixed at 0 in a part.
using Fixed = std::vector<int>;

// Stops a feasibility search on a stop request.
class StopWatch final : public CbcEventHandler {
 public:
  explicit StopWatch(const SolveContext &context) : context_(context) {}
  CbcAction event(CbcEvent which) override {
    return which == node && context_.stop_requested() ? stop : noAction;
  }
  CbcEventHandler *clone() const override { return new StopWatch(*this); }

 private:
  const SolveContext &context_;
};

// The members of set outside the window a ray needs, touched being the
// positions of the ray's members: none when it has none there. An SOS2 ray
// on one member keeps both neighbours.
Fixed outside_window(const Formulation::Set &set, const std::vector<int> &touched) {
  Fixed outside;
  if (touched.empty()) return outside;
  int first = touched.front(), last = touched.back();
  if (set.type == 2 && first == last) {
    first -= 1;
    last += 1;
  }
  for (int at = 0; at < int_size(set.member); ++at) {
    if (at < first || at > last) outside.push_back(set.member[to_size(at)]);
  }
  return outside;
}

Settled gave_up(Settled s, const char *why) {
  s.kind = Settled::kGaveUp;
  s.why = why;
  return s;
}

class Settler {
 public:
  Settler(const Problem &p, const Formulation &f, const OsiClpSolverInterface &lp,
          const ClpStop &stop)
      : p_(p),
        f_(f),
        lp_(lp),
        stop_(stop),
        deadline_(stop.deadline),
        dual_tolerance_(clp_dual_tolerance(p)) {
    quiet_.setLogLevel(0);
  }
  Settled run();

 private:
  enum class Lp { kOptimal, kInfeasible, kUnbounded, kStopped, kFailed };
  enum class Search { kPoint, kNone, kStopped, kFailed };

  // The relaxation of a part, columns continuous; null when a fixing
  // leaves a column no value.
  std::unique_ptr<OsiClpSolverInterface> relaxation(const Fixed &fixed);
  // The status of a part's relaxation; for kUnbounded, its ray is ray_.
  Lp solve(OsiClpSolverInterface &lp);
  // The status of the model's relaxation; one with a ray within the
  // tolerance that CLP would follow gives s its bound row (kOptimal).
  Lp root(Settled &s);
  // Whether the part may have a ray of nonzero cost: a costed column
  // unbounded on a side.
  bool ray_possible(const OsiClpSolverInterface &part) const;
  // A ray of the part's relaxation whose slope exceeds the dual tolerance,
  // scaled into the box |d| <= 1; empty when there is none.
  std::vector<double> ray(const OsiClpSolverInterface &part);
  // The cone LP's solution scaled to the box, when it holds there: empty
  // when it was a small point that only the tolerances let through.
  static std::vector<double> held_ray(const OsiClpSolverInterface &cone);
  // A part whose relaxation has the ray ray_: a feasible point of the model
  // along it (kPoint), or kNone, the part split into smaller ones on parts.
  Search split(const Fixed &part, std::vector<Fixed> &parts);
  // The positions of the ray d's members in each set (touched), up to the
  // first set it breaks, whose index is returned: f_.sets.size() for none.
  std::size_t ray_members(const std::vector<double> &d,
                          std::vector<std::vector<int>> &touched) const;
  // A feasible point of the model within the part (integers and sets).
  Search feasible(const Fixed &fixed);
  Settled stopped(Settled s);

  const Problem &p_;
  const Formulation &f_;
  const OsiClpSolverInterface &lp_;
  const ClpStop &stop_;
  const Clock::time_point deadline_;
  const double dual_tolerance_;
  CoinMessageHandler quiet_;
  std::vector<double> ray_;
  // The last LP judged bounded has a ray within the tolerance, or one that
  // CLP's scaling made look beyond it.
  bool small_ray_ = false;
};

std::unique_ptr<OsiClpSolverInterface> Settler::relaxation(const Fixed &fixed) {
  std::unique_ptr<OsiClpSolverInterface> lp(new OsiClpSolverInterface(lp_));
  lp->passInMessageHandler(&quiet_);
  const int n = lp->getNumCols();
  for (int j = 0; j < n; ++j) lp->setContinuous(j);
  for (int j : fixed) {
    const double lower = std::max(lp->getColLower()[j], 0.0);
    const double upper = std::min(lp->getColUpper()[j], 0.0);
    if (lower > upper) return nullptr;
    lp->setColBounds(j, lower, upper);
  }
  return lp;
}

Settler::Lp Settler::solve(OsiClpSolverInterface &lp) {
  // Primal simplex: CLP's dual simplex meets a ray of small cost with bounds
  // of its own, which it moves out to 1e20 and then calls optimal.
  lp.setHintParam(OsiDoDualInInitial, false, OsiHintDo);
  lp.initialSolve();
  if (lp.isProvenOptimal()) {
    // CLP judges its scaled costs: a ray it missed still has a slope beyond
    // the dual tolerance in the cone's box.
    if (!ray_possible(lp)) return Lp::kOptimal;
    ray_ = ray(lp);
    if (ray_.empty() && stop_.fired) return Lp::kStopped;
    return ray_.empty() ? Lp::kOptimal : Lp::kUnbounded;
  }
  if (stop_.fired) return Lp::kStopped;
  // CLP takes some unbounded LPs for infeasible, and tells nothing of the
  // feasibility of one it finds unbounded: both are settled by LPs that are
  // bounded, the LP without its objective and the search for a ray.
  std::unique_ptr<OsiClpSolverInterface> plain(new OsiClpSolverInterface(lp));
  plain->passInMessageHandler(&quiet_);
  for (int j = 0; j < plain->getNumCols(); ++j) plain->setObjCoeff(j, 0.0);
  plain->initialSolve();
  if (stop_.fired) return Lp::kStopped;
  if (plain->isProvenPrimalInfeasible()) return Lp::kInfeasible;
  if (!plain->isProvenOptimal()) return Lp::kFailed;
  ray_ = ray(lp);
  if (stop_.fired) return Lp::kStopped;
  if (!ray_.empty()) return Lp::kUnbounded;
  // No ray beyond the tolerance: CLP saw one in its scaled costs (a column
  // of tiny coefficients scaled up takes its cost along).
  small_ray_ = true;
  lp.setHintParam(OsiDoDualInResolve, false, OsiHintDo);
  lp.setHintParam(OsiDoScale, false, OsiHintDo);
  lp.resolve();
  if (stop_.fired) return Lp::kStopped;
  return lp.isProvenOptimal() ? Lp::kOptimal : Lp::kFailed;
}

bool Settler::ray_possible(const OsiClpSolverInterface &part) const {
  const double inf = part.getInfinity();
  for (int j = 0; j < part.getNumCols(); ++j) {
    if (part.getColLower()[j] <= -inf || part.getColUpper()[j] >= inf) return true;
  }
  return false;
}

std::vector<double> Settler::ray(const OsiClpSolverInterface &part) {
  // min cost.d over the recession cone of the part within the box
  // |d_j| <= 1: bounded, and its slope -cost.d is what a reduced cost is to
  // the simplex, so it is judged against the dual tolerance. CLP solves it
  // with the costs magnified, or it would judge a slope near the tolerance
  // by its own scaled costs and miss it.
  const double magnified = kRaySlopeShown / dual_tolerance_;
  small_ray_ = false;
  std::unique_ptr<OsiClpSolverInterface> cone(new OsiClpSolverInterface(part));
  cone->passInMessageHandler(&quiet_);
  const double inf = cone->getInfinity();
  const auto homogeneous = [inf](double side, double box) {
    return std::fabs(side) >= inf ? box : 0.0;
  };
  for (int j = 0; j < cone->getNumCols(); ++j) {
    cone->setColBounds(j, homogeneous(part.getColLower()[j], -1.0),
                       homogeneous(part.getColUpper()[j], 1.0));
    cone->setObjCoeff(j, magnified * f_.cost[to_size(j)]);
  }
  for (int i = 0; i < cone->getNumRows(); ++i) {
    cone->setRowBounds(i, homogeneous(part.getRowLower()[i], -inf),
                       homogeneous(part.getRowUpper()[i], inf));
  }
  cone->setHintParam(OsiDoDualInInitial, false, OsiHintDo);
  cone->initialSolve();
  if (!cone->isProvenOptimal()) return {};
  std::vector<double> d = held_ray(*cone);
  double slope = 0;
  for (std::size_t j = 0; j < d.size(); ++j) slope -= f_.cost[j] * d[j];
  if (slope <= dual_tolerance_) {
    small_ray_ = slope > kSmallestSlope * dual_tolerance_;
    return {};
  }
  return d;
}

std::vector<double> Settler::held_ray(const OsiClpSolverInterface &cone) {
  const int n = cone.getNumCols();
  const double *x = cone.getColSolution();
  double largest = 0;
  for (int j = 0; j < n; ++j) largest = std::max(largest, std::fabs(x[j]));
  if (largest <= 0) return std::vector<double>(to_size(n), 0.0);
  std::vector<double> d(x, x + n);
  for (double &v : d) v /= largest;
  // Within the primal tolerance a small d breaks rows it cannot follow: the
  // cone's rows and bounds must hold at d scaled to the box.
  const auto holds = [](double value, double lower, double upper, double size) {
    const double allowed = kRayTolerance * (1 + size);
    return value >= lower - allowed && value <= upper + allowed;
  };
  for (int j = 0; j < n; ++j) {
    if (!holds(d[to_size(j)], cone.getColLower()[j], cone.getColUpper()[j], 0)) return {};
  }
  const CoinPackedMatrix &rows = *cone.getMatrixByRow();
  for (int i = 0; i < cone.getNumRows(); ++i) {
    const CoinShallowPackedVector row = rows.getVector(i);
    double sum = 0, size = 0;
    for (int e = 0; e < row.getNumElements(); ++e) {
      const double t = row.getElements()[e] * d[to_size(row.getIndices()[e])];
      sum += t;
      size += std::fabs(t);
    }
    if (!holds(sum, cone.getRowLower()[i], cone.getRowUpper()[i], size)) return {};
  }
  return d;
}

Settler::Search Settler::split(const Fixed &part, std::vector<Fixed> &parts) {
  const std::vector<double> d = std::move(ray_);
  std::vector<std::vector<int>> touched(f_.sets.size());
  const std::size_t broken = ray_members(d, touched);
  if (broken < f_.sets.size()) {
    for (int at : {touched[broken].front(), touched[broken].back()}) {
      Fixed child = part;
      child.push_back(f_.sets[broken].member[to_size(at)]);
      parts.push_back(std::move(child));
    }
    return Search::kNone;
  }
  // Every set allows the ray: outside the windows it needs, members are
  // fixed at 0.
  std::vector<Fixed> outside(f_.sets.size());
  Fixed piece = part;
  for (std::size_t k = 0; k < f_.sets.size(); ++k) {
    outside[k] = outside_window(f_.sets[k], touched[k]);
    piece.insert(piece.end(), outside[k].begin(), outside[k].end());
  }
  const Search found = feasible(piece);
  if (found != Search::kNone) return found;
  // No point in the piece: every other point of the part has a member the
  // ray needs at 0, in the first set whose window it leaves.
  Fixed prefix = part;
  for (std::size_t k = 0; k < f_.sets.size(); ++k) {
    for (int at : touched[k]) {
      Fixed child = prefix;
      child.push_back(f_.sets[k].member[to_size(at)]);
      parts.push_back(std::move(child));
    }
    prefix.insert(prefix.end(), outside[k].begin(), outside[k].end());
  }
  return Search::kNone;
}

std::size_t Settler::ray_members(const std::vector<double> &d,
                                 std::vector<std::vector<int>> &touched) const {
  double largest = 0;
  for (double v : d) largest = std::max(largest, std::fabs(v));
  const double tiny = 1e-7 * largest;
  for (std::size_t k = 0; k < f_.sets.size(); ++k) {
    const Formulation::Set &set = f_.sets[k];
    for (int at = 0; at < int_size(set.member); ++at) {
      if (std::fabs(d[to_size(set.member[to_size(at)])]) > tiny) touched[k].push_back(at);
    }
    // Two members too far apart to be nonzero together.
    if (touched[k].size() > 1 && touched[k].back() - touched[k].front() >= set.type) return k;
  }
  return f_.sets.size();
}

Settler::Search Settler::feasible(const Fixed &fixed) {
  std::unique_ptr<OsiClpSolverInterface> lp = relaxation(fixed);
  if (!lp) return Search::kNone;
  const int n = lp->getNumCols();
  for (int j = 0; j < n; ++j) {
    lp->setObjCoeff(j, 0.0);
    if (f_.integer[to_size(j)]) lp->setInteger(j);
  }
  const double left = std::chrono::duration<double>(deadline_ - Clock::now()).count();
  if (left <= 0) return Search::kStopped;
  CbcModel cbc(*lp);
  cbc.passInMessageHandler(&quiet_);
  cbc.setLogLevel(0);
  StopWatch watch(p_.context);
  cbc.passInEventHandler(&watch);
  std::vector<std::unique_ptr<CbcObject>> objects;
  std::vector<CbcObject *> raw;
  for (std::size_t k = 0; k < f_.sets.size(); ++k) {
    objects.emplace_back(
        new_ordered_set(&cbc, f_.sets[k].member, f_.sets[k].type, static_cast<int>(k)));
    raw.push_back(objects.back().get());
  }
  cbc.findIntegers(false);
  if (!raw.empty()) cbc.addObjects(int_size(raw), raw.data());
  cbc.setNumberBeforeTrust(0);
  cbc.setNumberStrong(0);
  cbc.setUseElapsedTime(true);
  if (left < 1e9) cbc.setMaximumSeconds(left);
  cbc.setIntegerTolerance(p_.param(Param::MIP_IntegerTolerance));
  cbc.branchAndBound();
  const double *x = cbc.bestSolution();
  if (x != nullptr) {
    const int m = p_.model.num_vars();
    return point_violation(p_, std::vector<double>(x, x + m)).empty() ? Search::kPoint
                                                                      : Search::kFailed;
  }
  if (stop_.fired || p_.context.stop_requested() || cbc.isSecondsLimitReached()) {
    return Search::kStopped;
  }
  return cbc.isProvenInfeasible() || cbc.isProvenOptimal() ? Search::kNone : Search::kFailed;
}

Settled Settler::stopped(Settled s) {
  s.kind = Settled::kStopped;
  s.code = p_.context.stop_requested() ? p_.context.stop_code() : TVX_ERROR_ABORT_TIME_LIMIT;
  return s;
}

Settler::Lp Settler::root(Settled &s) {
  std::unique_ptr<OsiClpSolverInterface> lp = relaxation({});
  const Lp status = lp ? solve(*lp) : Lp::kInfeasible;
  if (status == Lp::kOptimal && small_ray_) {
    // CLP's dual simplex follows such a ray out to 1e20, where its nodes
    // end wrong or never: the search gets the row of the bound, and LPs
    // unscaled.
    p_.log().line(
        "The LP relaxation has a ray whose cost is within the dual tolerance; bounding "
        "the objective by its optimum.");
    s.unbounded = true;
    s.unscaled = true;
    s.bound = lp->getObjValue();
  }
  return status;
}

Settled Settler::run() {
  Settled s;
  // With every column bounded so is the relaxation, and no LP is needed.
  if (!ray_possible(lp_)) return s;
  const Lp status = root(s);
  if (status == Lp::kStopped) return stopped(s);
  if (status != Lp::kUnbounded) return s;
  s.unbounded = true;
  p_.log().line("The LP relaxation is unbounded; settling it before the search.");
  std::vector<Fixed> parts{Fixed()};
  bool any_bounded = false;
  double bound = kInfinity;
  for (int count = 0; !parts.empty(); ++count) {
    if (count >= kMaxParts) {
      return gave_up(s, "the unbounded relaxation splits into too many parts");
    }
    if (p_.context.stop_requested() || Clock::now() >= deadline_) return stopped(s);
    const Fixed part = std::move(parts.back());
    parts.pop_back();
    std::unique_ptr<OsiClpSolverInterface> lp = relaxation(part);
    if (!lp) continue;
    switch (solve(*lp)) {
      case Lp::kOptimal:
        any_bounded = true;
        bound = std::min(bound, lp->getObjValue());
        continue;
      case Lp::kInfeasible:
        continue;
      case Lp::kStopped:
        return stopped(s);
      case Lp::kFailed:
        return gave_up(s, "CLP found no answer for a part of the unbounded relaxation");
      case Lp::kUnbounded:
        break;
    }
    switch (split(part, parts)) {
      case Search::kPoint:
        s.kind = Settled::kUnbounded;
        return s;
      case Search::kStopped:
        return stopped(s);
      case Search::kFailed:
        return gave_up(s, "CBC found no answer for a part of the unbounded relaxation");
      case Search::kNone:
        break;
    }
  }
  if (!any_bounded) {
    s.kind = Settled::kNoPoint;
    return s;
  }
  s.bound = bound;
  return s;
}

}  // namespace

Settled settle_relaxation(const Problem &p, const Formulation &f, const OsiClpSolverInterface &lp,
                          const ClpStop &stop) {
  return Settler(p, f, lp, stop).run();
}

}  // namespace tvx
