// The ordered sets of ordered_sets.h and their branches.
#include "engines/cbc/ordered_sets.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include <CbcBranchingObject.hpp>
#include <CbcModel.hpp>
#include <CbcObject.hpp>
#include <OsiSolverInterface.hpp>

#include "core/numeric.h"

namespace tvx {
namespace {

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
    for (int k = 0; k < int_size(members_); ++k) {
      const int j = members_[to_size(k)];
      if (j >= solver->getNumCols()) continue;
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
    for (int k = 0; k < int_size(members_); ++k) {
      const int j = members_[to_size(k)];
      const bool inside = w.first >= 0 && k >= w.first && k <= w.second;
      if (inside || j >= solver->getNumCols()) continue;
      if (lower[j] <= 0 && upper[j] >= 0) bound_at_zero(solver, j);
    }
  }

  CbcBranchingObject *createCbcBranch(OsiSolverInterface *solver,
                                      const OsiBranchingInformation *info, int way) override;

  // A copy for a search over fewer columns: members renumbered, those not
  // kept dropped.
  void redoSequenceEtc(CbcModel *model, int columns, const int *original) override {
    model_ = model;
    std::vector<int> kept;
    for (int j : members_) {
      const int *at = std::find(original, original + columns, j);
      if (at != original + columns) kept.push_back(static_cast<int>(at - original));
    }
    members_ = std::move(kept);
  }

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
  void fix(OsiSolverInterface *solver, double *lower, double *upper, int state) const override {
    apply(solver, state);
    for (int j : set_->members()) {
      if (j >= solver->getNumCols()) continue;
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
    return o != nullptr && o->split_ == split_ && o->way_ == way_ ? CbcRangeSame : CbcRangeDisjoint;
  }

 private:
  // Arm -1 keeps positions up to split, +1 those from split (SOS1: after it).
  void apply(OsiSolverInterface *solver, int arm) const {
    const std::vector<int> &m = set_->members();
    const int n = int_size(m);
    const int keep_from = set_->width() == 1 ? split_ + 1 : split_;
    for (int k = 0; k < n; ++k) {
      const bool kept = arm < 0 ? k <= split_ : k >= keep_from;
      if (!kept && m[to_size(k)] < solver->getNumCols()) bound_at_zero(solver, m[to_size(k)]);
    }
  }

  const OrderedSet *set_;
  int split_;
};

CbcBranchingObject *OrderedSet::createCbcBranch(OsiSolverInterface *,
                                                const OsiBranchingInformation *, int way) {
  const double *x = model_->testSolution();
  const std::pair<int, int> w = window(x);
  // CBC asks only for a set it was told is unsatisfied at this same point;
  // should it ask otherwise, it still gets a valid (if idle) branch.
  int split = type_ == 1 ? 0 : 1;
  if (!satisfied(w)) {
    // Split near the members' centre of mass, so that both arms cut off the
    // current point: an SOS1 splits in [first, last), an SOS2 in (first, last).
    double mass = 0, moment = 0;
    for (int k = w.first; k <= w.second; ++k) {
      const double v = std::fabs(x[members_[to_size(k)]]);
      mass += v;
      moment += k * v;
    }
    const int low = type_ == 1 ? w.first : w.first + 1;
    split = std::min(std::max(static_cast<int>(std::floor(moment / mass)), low), w.second - 1);
  }
  // The branch decision looks at the object each branch came from.
  auto *branch = new OrderedSetBranch(model_, this, way, split);
  branch->setOriginalObject(this);
  return branch;
}

}  // namespace

CbcObject *new_ordered_set(CbcModel *model, std::vector<int> members, int type, int id) {
  return new OrderedSet(model, std::move(members), type, id);
}

}  // namespace tvx
