// The CBC objects of callback_objects.h.
#include "engines/cbc/callback_objects.h"

#include <cstddef>
#include <memory>

#include <CbcModel.hpp>
// After CbcModel.hpp, which they need.
#include <CbcDummyBranchingObject.hpp>
#include <CbcHeuristic.hpp>
#include <CbcSimpleInteger.hpp>
#include <CglCutGenerator.hpp>

#include "engines/cbc/callback_hooks.h"

namespace tvx {
namespace {

// MIPNODE: the user's cuts in CBC's cut rounds (callback_search.h).
class UserCuts final : public CglCutGenerator {
 public:
  explicit UserCuts(SearchHooks *hooks) : hooks_(hooks) {}
  CglCutGenerator *clone() const override { return new UserCuts(*this); }
  void generateCuts(const OsiSolverInterface &si, OsiCuts &cs,
                    const CglTreeInfo = CglTreeInfo()) override {
    hooks_->round(si, cs);
  }

 private:
  SearchHooks *hooks_;
};

// Calls a candidate still to judge unsatisfied (callback_search.h).
class CandidateGate final : public CbcObject {
 public:
  CandidateGate(CbcModel *model, SearchHooks *hooks) : CbcObject(model), hooks_(hooks) {}
  CbcObject *clone() const override { return new CandidateGate(*this); }
  double infeasibility(const OsiBranchingInformation *info, int &way) const override {
    way = 1;
    return hooks_->unjudged(model_, info) ? 0.5 : 0.0;
  }
  void feasibleRegion() override {}
  // Strong branching has nothing to try on it.
  bool boundBranch() const override { return false; }
  // A one-way branch that changes nothing: the candidate is judged here and
  // the child, re-solved with the pool, carries on.
  CbcBranchingObject *createCbcBranch(OsiSolverInterface *, const OsiBranchingInformation *info,
                                      int) override {
    hooks_->judge_at_branch(model_, info);
    auto *branch = new CbcDummyBranchingObject(model_);
    branch->setOriginalObject(this);
    return branch;
  }
  void redoSequenceEtc(CbcModel *model, int, const int *) override { model_ = model; }

 private:
  SearchHooks *hooks_;
};

// Hands CBC the solutions the callback gave where CBC takes its own
// heuristics' points: after a node's cuts, before its children join the
// tree, where a moved cutoff is safe.
class GivenSolutions final : public CbcHeuristic {
 public:
  GivenSolutions(CbcModel &model, SearchHooks *hooks) : CbcHeuristic(model), hooks_(hooks) {
    setHeuristicName("callback");
  }
  CbcHeuristic *clone() const override { return new GivenSolutions(*this); }
  void resetModel(CbcModel *) override {}
  bool shouldHeurRun(int) override { return hooks_->has_given(model_); }
  int solution(double &value, double *x) override {
    return hooks_->next_given(model_, value, x) ? 1 : 0;
  }

 private:
  SearchHooks *hooks_;
};

// An integer column that branches on a request of the node under way.
class RequestableInteger final : public CbcSimpleInteger {
 public:
  RequestableInteger(CbcModel *model, int column, SearchHooks *hooks)
      : CbcSimpleInteger(model, column), hooks_(hooks) {}
  CbcObject *clone() const override { return new RequestableInteger(*this); }
  double infeasibility(const OsiBranchingInformation *info, int &way) const override {
    if (const Request *r = hooks_->request_for(model_, columnNumber())) {
      way = r->way;
      return 1.0;
    }
    return CbcSimpleInteger::infeasibility(info, way);
  }
  // A requested branch is taken as asked, without strong branching (whose
  // fast path also assumes a fractional candidate).
  bool boundBranch() const override {
    return hooks_->request_for(model_, columnNumber()) == nullptr;
  }
  CbcBranchingObject *createCbcBranch(OsiSolverInterface *solver,
                                      const OsiBranchingInformation *info, int way) override {
    if (const Request *r = hooks_->request_for(model_, columnNumber())) {
      auto *branch = new CbcIntegerBranchingObject(model_, columnNumber(), r->way, r->value);
      branch->setOriginalObject(this);
      return branch;
    }
    return CbcSimpleInteger::createCbcBranch(solver, info, way);
  }

 private:
  SearchHooks *hooks_;
};

}  // namespace

std::vector<CbcSimpleInteger *> add_search_objects(CbcModel &cbc, SearchHooks &hooks,
                                                   const std::vector<char> &integer) {
  std::vector<std::unique_ptr<CbcObject>> owned;
  std::vector<CbcObject *> objects;
  for (std::size_t j = 0; j < integer.size(); ++j) {
    if (!integer[j]) continue;
    owned.emplace_back(new RequestableInteger(&cbc, static_cast<int>(j), &hooks));
    objects.push_back(owned.back().get());
  }
  owned.emplace_back(new CandidateGate(&cbc, &hooks));
  objects.push_back(owned.back().get());
  // CBC keeps clones, replacing its own integer objects by these.
  cbc.addObjects(int_size(objects), objects.data());
  std::vector<CbcSimpleInteger *> integer_of(integer.size(), nullptr);
  for (int i = 0; i < cbc.numberObjects(); ++i) {
    if (auto *object = dynamic_cast<RequestableInteger *>(cbc.objects()[i])) {
      integer_of[to_size(object->columnNumber())] = object;
    }
  }
  UserCuts generator(&hooks);
  cbc.addCutGenerator(&generator, 1, "callback");
  GivenSolutions heuristic(cbc, &hooks);
  cbc.addHeuristic(&heuristic);
  return integer_of;
}

bool is_gate(const OsiObject *object) {
  return dynamic_cast<const CandidateGate *>(object) != nullptr;
}

}  // namespace tvx
