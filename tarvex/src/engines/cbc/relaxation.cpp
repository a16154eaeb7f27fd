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

#include "engines/cbc/ordered_sets.h"
#include "solve/answer_check.h"

namespace tvx {
namespace {

// Beyond this many parts the split is not worth finishing.
constexpr int kMaxParts = 2000;

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

class Settler {
 public:
  Settler(const Problem &p, const Formulation &f, const OsiClpSolverInterface &lp,
          Clock::time_point deadline)
      : p_(p), f_(f), lp_(lp), deadline_(deadline) {
    quiet_.setLogLevel(0);
  }
  Settled run();

 private:
  enum class Lp { kOptimal, kInfeasible, kUnbounded, kFailed };
  enum class Search { kPoint, kNone, kStopped, kFailed };

  // The relaxation of a part, columns continuous; null when a fixing
  // leaves a column no value.
  std::unique_ptr<OsiClpSolverInterface> relaxation(const Fixed &fixed);
  // The status of a part's relaxation; for kUnbounded, its ray is ray_.
  Lp solve(OsiClpSolverInterface &lp);
  // A ray of the part's relaxation, normalised to cost.d = -1; empty when
  // CLP finds none.
  std::vector<double> ray(const OsiClpSolverInterface &part);
  // A feasible point of the model within the part (integers and sets).
  Search feasible(const Fixed &fixed);
  Settled stopped(Settled s);

  const Problem &p_;
  const Formulation &f_;
  const OsiClpSolverInterface &lp_;
  const Clock::time_point deadline_;
  CoinMessageHandler quiet_;
  std::vector<double> ray_;
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
  lp.initialSolve();
  if (lp.isProvenOptimal()) return Lp::kOptimal;
  // CLP takes some unbounded LPs for infeasible, and tells nothing of the
  // feasibility of one it finds unbounded: both are settled by LPs that are
  // bounded, the LP without its objective and the search for a ray.
  std::unique_ptr<OsiClpSolverInterface> plain(new OsiClpSolverInterface(lp));
  plain->passInMessageHandler(&quiet_);
  for (int j = 0; j < plain->getNumCols(); ++j) plain->setObjCoeff(j, 0.0);
  plain->initialSolve();
  if (plain->isProvenPrimalInfeasible()) return Lp::kInfeasible;
  if (!plain->isProvenOptimal()) return Lp::kFailed;
  ray_ = ray(lp);
  if (!ray_.empty()) return Lp::kUnbounded;
  lp.setHintParam(OsiDoDualInResolve, false, OsiHintDo);
  lp.resolve();
  return lp.isProvenOptimal() ? Lp::kOptimal : Lp::kFailed;
}

std::vector<double> Settler::ray(const OsiClpSolverInterface &part) {
  // min cost.d over the recession cone of the part, with cost.d >= -1.
  std::unique_ptr<OsiClpSolverInterface> cone(new OsiClpSolverInterface(part));
  cone->passInMessageHandler(&quiet_);
  const double inf = cone->getInfinity();
  const auto homogeneous = [inf](double side, double infinite) {
    return std::fabs(side) >= inf ? infinite : 0.0;
  };
  for (int j = 0; j < cone->getNumCols(); ++j) {
    cone->setColBounds(j, homogeneous(part.getColLower()[j], -inf),
                       homogeneous(part.getColUpper()[j], inf));
  }
  for (int i = 0; i < cone->getNumRows(); ++i) {
    cone->setRowBounds(i, homogeneous(part.getRowLower()[i], -inf),
                       homogeneous(part.getRowUpper()[i], inf));
  }
  std::vector<int> ind;
  std::vector<double> val;
  for (int j = 0; j < cone->getNumCols(); ++j) {
    if (f_.cost[static_cast<std::size_t>(j)] != 0) {
      ind.push_back(j);
      val.push_back(f_.cost[static_cast<std::size_t>(j)]);
    }
  }
  if (ind.empty()) return {};
  const CoinPackedVector row(static_cast<int>(ind.size()), ind.data(), val.data());
  cone->addRow(row, -1.0, inf);
  cone->initialSolve();
  if (!cone->isProvenOptimal() || cone->getObjValue() > -0.5) return {};
  const double *d = cone->getColSolution();
  return std::vector<double>(d, d + cone->getNumCols());
}

Settler::Search Settler::feasible(const Fixed &fixed) {
  std::unique_ptr<OsiClpSolverInterface> lp = relaxation(fixed);
  if (!lp) return Search::kNone;
  const int n = lp->getNumCols();
  for (int j = 0; j < n; ++j) {
    lp->setObjCoeff(j, 0.0);
    if (f_.integer[static_cast<std::size_t>(j)]) lp->setInteger(j);
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
  if (!raw.empty()) cbc.addObjects(static_cast<int>(raw.size()), raw.data());
  cbc.setNumberBeforeTrust(0);
  cbc.setNumberStrong(0);
  cbc.setUseElapsedTime(true);
  if (left < 1e9) cbc.setMaximumSeconds(left);
  cbc.setIntegerTolerance(std::max(1e-9, p_.param("MIP/IntegerTolerance")));
  cbc.branchAndBound();
  const double *x = cbc.bestSolution();
  if (x != nullptr) {
    const int m = p_.model.num_vars();
    return point_violation(p_, std::vector<double>(x, x + m)).empty() ? Search::kPoint
                                                                      : Search::kFailed;
  }
  if (p_.context.stop_requested() || cbc.isSecondsLimitReached()) return Search::kStopped;
  return cbc.isProvenInfeasible() || cbc.isProvenOptimal() ? Search::kNone : Search::kFailed;
}

Settled Settler::stopped(Settled s) {
  s.kind = Settled::kStopped;
  s.code = p_.context.stop_requested() ? p_.context.stop_code() : TVX_ERROR_ABORT_TIME_LIMIT;
  return s;
}

Settled Settler::run() {
  Settled s;
  {
    std::unique_ptr<OsiClpSolverInterface> root = relaxation({});
    if (!root || solve(*root) != Lp::kUnbounded) return s;
  }
  s.unbounded = true;
  p_.log().line("The LP relaxation is unbounded; settling it before the search.");
  const auto gave_up = [&](const char *why) {
    s.kind = Settled::kGaveUp;
    s.why = why;
    return s;
  };
  std::vector<Fixed> parts{Fixed()};
  bool any_bounded = false;
  double bound = kInfinity;
  for (int count = 0; !parts.empty(); ++count) {
    if (count >= kMaxParts) return gave_up("the unbounded relaxation splits into too many parts");
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
      case Lp::kFailed:
        return gave_up("CLP found no answer for a part of the unbounded relaxation");
      case Lp::kUnbounded:
        break;
    }
    const std::vector<double> d = std::move(ray_);
    double largest = 0;
    for (double v : d) largest = std::max(largest, std::fabs(v));
    const double tiny = 1e-7 * largest;
    // The ray's members of each set, by position; the first set it breaks
    // splits the part.
    std::vector<std::vector<int>> touched(f_.sets.size());
    bool split = false;
    for (std::size_t k = 0; k < f_.sets.size() && !split; ++k) {
      const Formulation::Set &set = f_.sets[k];
      for (int at = 0; at < static_cast<int>(set.member.size()); ++at) {
        if (std::fabs(d[static_cast<std::size_t>(set.member[at])]) > tiny) touched[k].push_back(at);
      }
      if (touched[k].size() > 1 && touched[k].back() - touched[k].front() >= set.type) {
        for (int at : {touched[k].front(), touched[k].back()}) {
          Fixed child = part;
          child.push_back(set.member[static_cast<std::size_t>(at)]);
          parts.push_back(std::move(child));
        }
        split = true;
      }
    }
    if (split) continue;
    // Every set allows the ray. The windows it needs: outside them, members
    // are fixed at 0 (an SOS2 ray on one member keeps both neighbours).
    std::vector<Fixed> outside(f_.sets.size());
    Fixed piece = part;
    for (std::size_t k = 0; k < f_.sets.size(); ++k) {
      if (touched[k].empty()) continue;
      const Formulation::Set &set = f_.sets[k];
      int first = touched[k].front(), last = touched[k].back();
      if (set.type == 2 && first == last) {
        first -= 1;
        last += 1;
      }
      for (int at = 0; at < static_cast<int>(set.member.size()); ++at) {
        if (at < first || at > last) outside[k].push_back(set.member[static_cast<std::size_t>(at)]);
      }
      piece.insert(piece.end(), outside[k].begin(), outside[k].end());
    }
    switch (feasible(piece)) {
      case Search::kPoint:
        s.kind = Settled::kUnbounded;
        return s;
      case Search::kStopped:
        return stopped(s);
      case Search::kFailed:
        return gave_up("CBC found no answer for a part of the unbounded relaxation");
      case Search::kNone:
        break;
    }
    // No point in the piece: every other point of the part has a member the
    // ray needs at 0, in the first set whose window it leaves.
    Fixed prefix = part;
    for (std::size_t k = 0; k < f_.sets.size(); ++k) {
      for (int at : touched[k]) {
        Fixed child = prefix;
        child.push_back(f_.sets[k].member[static_cast<std::size_t>(at)]);
        parts.push_back(std::move(child));
      }
      prefix.insert(prefix.end(), outside[k].begin(), outside[k].end());
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
                          std::chrono::steady_clock::time_point deadline) {
  return Settler(p, f, lp, deadline).run();
}

}  // namespace tvx
