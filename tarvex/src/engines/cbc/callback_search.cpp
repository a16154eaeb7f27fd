// The hooks of callback_search.h and what a callback sees through them.
#include "engines/cbc/callback_search.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include <CbcModel.hpp>
#include <CbcNode.hpp>
// After CbcNode.hpp, which it needs.
#include <CbcCutGenerator.hpp>
#include <CbcDummyBranchingObject.hpp>
#include <CbcHeuristic.hpp>
#include <CbcMessage.hpp>
#include <CbcSimpleInteger.hpp>
#include <CbcTree.hpp>
#include <CglCutGenerator.hpp>
#include <OsiCuts.hpp>
#include <OsiRowCut.hpp>
#include <OsiSolverInterface.hpp>

#include "engines/cbc/completion.h"
#include "solve/answer_check.h"
#include "solve/callback.h"

namespace tvx {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int kDefaultPriority = 1000;  // CbcObject's
constexpr int kRequestPriority = 0;     // chosen before every other object
// Judged candidates remembered, so that CBC taking one asks nothing again.
constexpr std::size_t kApprovedKept = 16;
// A phase-2 search (MIP_PHASE) has its gap within this fraction.
constexpr double kCloseGap = 1e-2;

// A node of the main search while CBC processes it: CBC's node count, which
// moves as each node is taken up and stays put from its first cut round to
// its branching (the current node pointer does not: it changes between
// the two).
struct NodeTag {
  int count = -1;
  bool operator==(const NodeTag &o) const { return count == o.count; }
  bool operator!=(const NodeTag &o) const { return !(*this == o); }
};

// A branching request of a MIPNODE call, for the node that made it.
struct Request {
  int column = -1;
  int way = 1;
  double value = 0;  // between the arms: floor(value) is the down arm's bound
  NodeTag node;
};

double as_bound(double v) { return std::fabs(v) >= TVX_INFINITY ? (v > 0 ? kInf : -kInf) : v; }
double as_reported(double v) { return std::isinf(v) ? (v > 0 ? TVX_INFINITY : -TVX_INFINITY) : v; }

}  // namespace

class SearchHooks {
 public:
  SearchHooks(const Problem &p, const Formulation &f, const OsiSolverInterface &lp)
      : p_(p),
        f_(f),
        lp_(lp),
        callback_(*p.context.callback),
        n_model_(p.model.num_vars()),
        n_cols_(static_cast<int>(f.col_lb.size())),
        sign_(p.model.sense() == TVX_MINIMIZE ? 1.0 : -1.0),
        tol_(std::max(1e-6, p.param("SPX/PrimalTolerance"))),
        int_tol_(std::max(1e-9, p.param("MIP/IntegerTolerance"))) {}

  void attach(CbcModel &cbc);
  void begin(const std::vector<double> &start);
  bool take(const double *x);
  void taken(const double *x);
  void node_done();
  void end();

  // The heuristic of the given solutions: whether one is waiting, and the
  // best, into x, when it improves on value and the incumbent (false: none).
  bool has_given(const CbcModel *model) const { return model == cbc_ && !given_.empty(); }
  bool next_given(const CbcModel *model, double &value, double *x);

  // The generator's round at a node of the main search (solver is CBC's).
  void round(const OsiSolverInterface &solver, OsiCuts &cs);
  // The gate: whether the point under test is a candidate still to judge,
  // and its branch on one.
  bool unjudged(const CbcModel *model, const OsiBranchingInformation *info, const CbcObject *gate);
  void judge_at_branch(const CbcModel *model, const OsiBranchingInformation *info,
                       const CbcObject *gate);
  // The request for column at the node under way, or null.
  const Request *request_for(const CbcModel *model, int column) const;

  // ---- What a call's site reaches -----------------------------------------
  int model_columns() const { return n_model_; }
  int columns() const { return n_cols_; }
  const Problem &problem() const { return p_; }
  const Formulation &formulation() const { return f_; }
  const CbcModel &cbc() const { return *cbc_; }
  double sign() const { return sign_; }
  // An objective of the formulation (minimised) in the model's sense, an
  // infinite one as +-TVX_INFINITY.
  double model_objective(double v) const {
    return std::isinf(v) ? (v > 0 ? sign_ : -sign_) * TVX_INFINITY : sign_ * v + p_.model.objcon();
  }
  double objective(const double *x) const {
    double v = 0;
    for (int j = 0; j < n_cols_; ++j) v += f_.cost[static_cast<std::size_t>(j)] * x[j];
    return v;
  }
  bool has_incumbent() const { return !incumbent_.empty(); }
  const std::vector<double> &incumbent() const { return incumbent_; }
  double incumbent_objective() const { return incumbent_obj_; }
  int solutions() const { return solutions_; }
  // The search's bound (minimised), -inf before one is known.
  double bound() const;
  // The formulation by column: starts (n_cols + 1), rows, values.
  void by_column(std::vector<int> &starts, std::vector<int> &rows,
                 std::vector<double> &values) const;
  // Takes a cut whose indices are checked: 0, 1 or 2 (solve/callback.h).
  int add_cut(const CutRow &row);
  int request(const OsiSolverInterface &node, int column, int way, double value);
  int offer(const std::vector<double> &given, double *objval);

 private:
  bool improves(double obj) const {
    return !has_incumbent() ||
           obj < incumbent_obj_ - 1e-9 * std::max(1.0, std::fabs(incumbent_obj_));
  }
  bool violates_pool(const double *x, std::size_t from = 0) const {
    for (std::size_t k = from; k < pool_.size(); ++k) {
      if (pool_[k].violated(x) > tol_) return true;
    }
    return false;
  }
  bool approved(const double *x) const;
  bool others_satisfied(const double *x, const OsiBranchingInformation *info,
                        const CbcObject *gate);
  // MIPSOL with a candidate better than the incumbent; false: rejected.
  bool judge(const double *x);
  NodeTag node_now() const { return NodeTag{cbc_->getNodeCount()}; }
  void drop_request();

  const Problem &p_;
  const Formulation &f_;
  const OsiSolverInterface &lp_;
  CallbackContext &callback_;
  CbcModel *cbc_ = nullptr;
  const int n_model_, n_cols_;
  const double sign_, tol_, int_tol_;

  std::vector<OsiRowCut> pool_;
  std::deque<std::vector<double>> approved_;
  std::vector<double> incumbent_;  // empty without one
  double incumbent_obj_ = kInf;
  int solutions_ = 0;
  int counted_ = 0;                         // CBC's solution count at the last incumbent taken
  std::vector<std::vector<double>> given_;  // complete points, to offer
  // The integer object of each column in CBC's list, null for others.
  std::vector<CbcSimpleInteger *> integer_of_;
  Request request_;
  NodeTag node_;           // of the last round
  bool call_node_ = true;  // MIPNODE is due at this round
};

namespace {

// The site of one call: the search's state, the node's relaxation at
// MIPNODE, the candidate at MIPSOL.
class CbcSite final : public CallbackSite {
 public:
  CbcSite(SearchHooks &hooks, int where) : hooks_(hooks), where_(where) {}
  const OsiSolverInterface *node = nullptr;  // MIPNODE
  const double *candidate = nullptr;         // MIPSOL

  int model_columns() const override { return hooks_.model_columns(); }
  int columns() const override { return hooks_.columns(); }
  int query(int what, void *value) override;
  int cut(const CutRow &row) override { return hooks_.add_cut(row); }
  int branch(int column, int way, double value) override {
    if (where_ != kWhereMipNode) return 2;
    return hooks_.request(*node, column, way, value);
  }
  int solution(const std::vector<double> &values, double *objval) override {
    return hooks_.offer(values, objval);
  }

 private:
  int put(void *value, int v) {
    *static_cast<int *>(value) = v;
    return TVX_ERROR_OKAY;
  }
  int put(void *value, double v) {
    *static_cast<double *>(value) = v;
    return TVX_ERROR_OKAY;
  }
  // An array kept until the call returns; fill() makes it the first time.
  template <class F>
  int put_doubles(void *value, int what, F &&fill) {
    auto found = doubles_.find(what);
    if (found == doubles_.end()) found = doubles_.emplace(what, fill()).first;
    *static_cast<double **>(value) = found->second.data();
    return TVX_ERROR_OKAY;
  }
  template <class F>
  int put_ints(void *value, int what, F &&fill) {
    auto found = ints_.find(what);
    if (found == ints_.end()) found = ints_.emplace(what, fill()).first;
    *static_cast<int **>(value) = found->second.data();
    return TVX_ERROR_OKAY;
  }
  int no_array(void *value) {
    *static_cast<double **>(value) = nullptr;
    return TVX_ERROR_OKAY;
  }
  // The best solution: the candidate at MIPSOL, else the incumbent.
  const double *best() const {
    if (candidate != nullptr) return candidate;
    return hooks_.has_incumbent() ? hooks_.incumbent().data() : nullptr;
  }
  std::vector<double> bounds(const std::vector<double> &v) const {
    std::vector<double> out(v.size());
    std::transform(v.begin(), v.end(), out.begin(), as_reported);
    return out;
  }

  SearchHooks &hooks_;
  const int where_;
  std::map<int, std::vector<double>> doubles_;
  std::map<int, std::vector<int>> ints_;
  std::vector<int> starts_, rows_;
  std::vector<double> values_;
};

int CbcSite::query(int what, void *value) {
  const Formulation &f = hooks_.formulation();
  const int columns = hooks_.columns();
  const double sign = hooks_.sign();
  const CbcModel &cbc = hooks_.cbc();
  const auto matrix = [this] {
    if (starts_.empty()) hooks_.by_column(starts_, rows_, values_);
  };
  const auto node_only = [this] { return where_ == kWhereMipNode; };
  switch (what) {
    case TVX_CB_PRE_NUMVARS:
      return put(value, columns);
    case TVX_CB_PRE_NUMCONSTRS:
      return put(value, static_cast<int>(f.row_lb.size()));
    case TVX_CB_PRE_NUMNZS:
      return put(value, static_cast<int>(f.rows.getNumElements()));
    case TVX_CB_PRE_LB:
      return put_doubles(value, what, [&] { return bounds(f.col_lb); });
    case TVX_CB_PRE_UB:
      return put_doubles(value, what, [&] { return bounds(f.col_ub); });
    case TVX_CB_PRE_LHS:
      return put_doubles(value, what, [&] { return bounds(f.row_lb); });
    case TVX_CB_PRE_RHS:
      return put_doubles(value, what, [&] { return bounds(f.row_ub); });
    case TVX_CB_PRE_OBJ:
      return put_doubles(value, what, [&] {
        std::vector<double> obj(f.cost);
        for (double &c : obj) c *= sign;
        return obj;
      });
    case TVX_CB_PRE_ISINT:
      return put_ints(value, what,
                      [&] { return std::vector<int>(f.integer.begin(), f.integer.end()); });
    case TVX_CB_PRE_ELEMENTS:
      matrix();
      return put_doubles(value, what, [&] { return values_; });
    case TVX_CB_PRE_INDICES:
      matrix();
      return put_ints(value, what, [&] { return rows_; });
    case TVX_CB_PRE_STARTS:
      matrix();
      return put_ints(value, what, [&] { return starts_; });
    case TVX_CB_PRE_OBJCONST:
      return put(value, hooks_.problem().model.objcon());
    case TVX_CB_MIP_OBJBST: {
      const double *x = best();
      return put(value, hooks_.model_objective(x != nullptr ? hooks_.objective(x) : kInf));
    }
    case TVX_CB_MIP_OBJBND:
      return put(value, hooks_.model_objective(hooks_.bound()));
    case TVX_CB_MIP_RELVAL:
      if (!node_only()) return TVX_ERROR_CB_INVALID_WHERE;
      return put(value, hooks_.model_objective(node->getObjValue()));
    // The model's arrays are the presolved ones, whose first entries they
    // are: whatever count a caller takes for the model's, no read passes
    // the end.
    case TVX_CB_MIP_SOLPRE:
    case TVX_CB_MIP_SOL: {
      const double *x = best();
      if (x == nullptr) return no_array(value);
      return put_doubles(value, TVX_CB_MIP_SOLPRE,
                         [&] { return std::vector<double>(x, x + columns); });
    }
    case TVX_CB_MIP_RELPRE:
    case TVX_CB_MIP_REL:
      if (!node_only()) return TVX_ERROR_CB_INVALID_WHERE;
      return put_doubles(value, TVX_CB_MIP_RELPRE, [&] {
        const double *x = node->getColSolution();
        return std::vector<double>(x, x + columns);
      });
    case TVX_CB_MIP_RELRDCPRE:
      if (!node_only()) return TVX_ERROR_CB_INVALID_WHERE;
      return put_doubles(value, what, [&] {
        const double *d = node->getReducedCost();
        std::vector<double> out(d, d + columns);
        for (double &v : out) v *= sign;
        return out;
      });
    case TVX_CB_MIP_LB:
    case TVX_CB_MIP_UB:
      if (!node_only()) return TVX_ERROR_CB_INVALID_WHERE;
      return put_doubles(value, what, [&] {
        const double *b = what == TVX_CB_MIP_LB ? node->getColLower() : node->getColUpper();
        std::vector<double> out(b, b + columns);
        std::transform(out.begin(), out.end(), out.begin(), as_reported);
        return out;
      });
    case TVX_CB_MIP_NODCNT:
      return put(value, where_ == kWhereMipStart ? 0 : std::max(cbc.getNodeCount(), 0));
    case TVX_CB_MIP_SOLCNT:
      return put(value, hooks_.solutions());
    case TVX_CB_MIP_CUTCNT: {
      int cuts = 0;
      if (where_ != kWhereMipStart) {
        for (int i = 0; i < cbc.numberCutGenerators(); ++i) {
          cuts += cbc.cutGenerator(i)->numberCutsInTotal();
        }
      }
      return put(value, cuts);
    }
    case TVX_CB_MIP_NODLFT:
      return put(value, where_ != kWhereMipStart && cbc.tree() != nullptr ? cbc.tree()->size() : 0);
    case TVX_CB_MIP_NODEID:
      return put(value, where_ != kWhereMipStart && cbc.currentNode() != nullptr
                            ? cbc.currentNode()->nodeNumber()
                            : 0);
    case TVX_CB_MIP_DEPTH:
      return put(value, where_ != kWhereMipStart ? std::max(cbc.currentDepth(), 0) : 0);
    case TVX_CB_MIP_PHASE: {
      const double *x = best();
      if (x == nullptr) return put(value, 0);
      const double obj = hooks_.objective(x), bound = hooks_.bound();
      const double gap = std::fabs(obj - bound) / std::max(1.0, std::fabs(obj));
      return put(value, gap <= kCloseGap ? 2 : 1);
    }
    default:
      return TVX_ERROR_CB_INVALID_WHAT;
  }
}

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
    return hooks_->unjudged(model_, info, this) ? 0.5 : 0.0;
  }
  void feasibleRegion() override {}
  // Strong branching has nothing to try on it.
  bool boundBranch() const override { return false; }
  // A one-way branch that changes nothing: the candidate is judged here and
  // the child, re-solved with the pool, carries on.
  CbcBranchingObject *createCbcBranch(OsiSolverInterface *, const OsiBranchingInformation *info,
                                      int) override {
    hooks_->judge_at_branch(model_, info, this);
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

// ---- SearchHooks ------------------------------------------------------------

void SearchHooks::attach(CbcModel &cbc) {
  cbc_ = &cbc;
  std::vector<std::unique_ptr<CbcObject>> owned;
  std::vector<CbcObject *> objects;
  for (int j = 0; j < n_cols_; ++j) {
    if (!f_.integer[static_cast<std::size_t>(j)]) continue;
    owned.emplace_back(new RequestableInteger(&cbc, j, this));
    objects.push_back(owned.back().get());
  }
  owned.emplace_back(new CandidateGate(&cbc, this));
  objects.push_back(owned.back().get());
  // CBC keeps clones, replacing its own integer objects by these.
  cbc.addObjects(static_cast<int>(objects.size()), objects.data());
  integer_of_.assign(static_cast<std::size_t>(n_cols_), nullptr);
  for (int i = 0; i < cbc.numberObjects(); ++i) {
    if (auto *integer = dynamic_cast<RequestableInteger *>(cbc.objects()[i])) {
      integer_of_[static_cast<std::size_t>(integer->columnNumber())] = integer;
    }
  }
  UserCuts generator(this);
  cbc.addCutGenerator(&generator, 1, "callback");
  GivenSolutions heuristic(cbc, this);
  cbc.addHeuristic(&heuristic);
}

void SearchHooks::begin(const std::vector<double> &start) {
  {
    CbcSite site(*this, kWhereMipStart);
    callback_.call(kWhereMipStart, site);
  }
  std::vector<std::vector<double>> points;
  if (!start.empty()) points.push_back(start);
  for (std::vector<double> &x : given_) points.push_back(std::move(x));
  given_.clear();
  for (const std::vector<double> &x : points) {
    const double obj = objective(x.data());
    if (!improves(obj) || !judge(x.data())) continue;
    cbc_->setBestSolution(x.data(), n_cols_, obj, false);
    incumbent_ = x;
    incumbent_obj_ = obj;
    ++solutions_;
  }
}

bool SearchHooks::take(const double *x) {
  if (approved(x)) return !violates_pool(x);
  return judge(x);
}

void SearchHooks::taken(const double *x) {
  // CBC reports some incumbents twice, and heuristics raise the event for
  // points they have yet to hand in: only a count that moved is news.
  const int count = cbc_->getSolutionCount();
  if (count <= counted_) return;
  counted_ = count;
  const double obj = objective(x);
  if (!improves(obj)) return;
  incumbent_.assign(x, x + n_cols_);
  incumbent_obj_ = obj;
  ++solutions_;
}

void SearchHooks::node_done() { drop_request(); }

void SearchHooks::end() {
  // Solutions given after the last node that ran heuristics. CBC's own way
  // in reads state the search has torn down; the plain copy does not.
  double value = incumbent_obj_;
  std::vector<double> x(static_cast<std::size_t>(n_cols_));
  if (!next_given(cbc_, value, x.data()) || !judge(x.data())) return;
  cbc_->setBestSolution(x.data(), n_cols_, value, false);
  incumbent_ = std::move(x);
  incumbent_obj_ = value;
  ++solutions_;
}

void SearchHooks::round(const OsiSolverInterface &solver, OsiCuts &cs) {
  if (&solver != cbc_->solver() || p_.context.stop_requested()) return;
  const NodeTag now = node_now();
  if (now != node_) {
    node_ = now;
    call_node_ = true;
    if (request_.node != now) drop_request();
  }
  const double *x = solver.getColSolution();
  // The pool first: the node is re-solved with its cuts before anything
  // is asked about this point.
  bool pooled = false;
  for (const OsiRowCut &cut : pool_) {
    if (cut.violated(x) > tol_) {
      cs.insert(cut);
      pooled = true;
    }
  }
  if (pooled) return;
  std::size_t first_new = pool_.size();
  if (call_node_) {
    CbcSite site(*this, kWhereMipNode);
    site.node = &solver;
    callback_.call(kWhereMipNode, site);
    call_node_ = pool_.size() > first_new;
  }
  if (!call_node_ && !p_.context.stop_requested() && improves(objective(x)) && !approved(x) &&
      others_satisfied(x, nullptr, nullptr)) {
    judge(x);
  }
  for (std::size_t k = first_new; k < pool_.size(); ++k) cs.insert(pool_[k]);
}

bool SearchHooks::unjudged(const CbcModel *model, const OsiBranchingInformation *info,
                           const CbcObject *gate) {
  if (model != cbc_) return false;
  const double *x = info != nullptr ? info->solution_ : model->testSolution();
  if (x == nullptr || !improves(objective(x)) || approved(x)) return false;
  return others_satisfied(x, info, gate);
}

void SearchHooks::judge_at_branch(const CbcModel *model, const OsiBranchingInformation *info,
                                  const CbcObject *gate) {
  if (unjudged(model, info, gate)) {
    judge(info != nullptr ? info->solution_ : model->testSolution());
  }
}

const Request *SearchHooks::request_for(const CbcModel *model, int column) const {
  if (model != cbc_ || request_.column != column || request_.node != node_now()) return nullptr;
  return &request_;
}

double SearchHooks::bound() const {
  const double b = cbc_->getBestPossibleObjValue();
  return std::fabs(b) < TVX_INFINITY ? b : -kInf;
}

void SearchHooks::by_column(std::vector<int> &starts, std::vector<int> &rows,
                            std::vector<double> &values) const {
  const CoinPackedMatrix &m = f_.rows;  // row-ordered
  starts.assign(static_cast<std::size_t>(n_cols_) + 1, 0);
  for (int i = 0; i < m.getNumRows(); ++i) {
    const CoinShallowPackedVector row = m.getVector(i);
    for (int k = 0; k < row.getNumElements(); ++k)
      ++starts[static_cast<std::size_t>(row.getIndices()[k]) + 1];
  }
  for (int j = 0; j < n_cols_; ++j)
    starts[static_cast<std::size_t>(j) + 1] += starts[static_cast<std::size_t>(j)];
  rows.assign(static_cast<std::size_t>(starts.back()), 0);
  values.assign(static_cast<std::size_t>(starts.back()), 0.0);
  std::vector<int> next(starts.begin(), starts.end() - 1);
  for (int i = 0; i < m.getNumRows(); ++i) {
    const CoinShallowPackedVector row = m.getVector(i);
    for (int k = 0; k < row.getNumElements(); ++k) {
      const int at = next[static_cast<std::size_t>(row.getIndices()[k])]++;
      rows[static_cast<std::size_t>(at)] = i;
      values[static_cast<std::size_t>(at)] = row.getElements()[k];
    }
  }
}

int SearchHooks::add_cut(const CutRow &row) {
  const double rhs = as_bound(row.rhs);
  const double lb = row.sense == '<' ? -kInf : rhs, ub = row.sense == '>' ? kInf : rhs;
  // The row's range over the columns' bounds.
  double low = 0, high = 0;
  for (std::size_t k = 0; k < row.ind.size(); ++k) {
    const double a = row.val[k], l = f_.col_lb[static_cast<std::size_t>(row.ind[k])],
                 u = f_.col_ub[static_cast<std::size_t>(row.ind[k])];
    if (a == 0) continue;
    low += a > 0 ? a * l : a * u;
    high += a > 0 ? a * u : a * l;
  }
  if (low > ub + tol_ || high < lb - tol_ || (std::isinf(lb) && lb > 0) ||
      (std::isinf(ub) && ub < 0)) {
    return 1;
  }
  if (lb <= low && high <= ub) return 2;
  OsiRowCut cut;
  cut.setRow(static_cast<int>(row.ind.size()), row.ind.data(), row.val.data());
  cut.setLb(std::isinf(lb) ? -COIN_DBL_MAX : lb);
  cut.setUb(std::isinf(ub) ? COIN_DBL_MAX : ub);
  cut.setGloballyValid(true);
  if (has_incumbent() && cut.violated(incumbent_.data()) > tol_) return 1;
  pool_.push_back(cut);
  return 0;
}

int SearchHooks::request(const OsiSolverInterface &node, int column, int way, double value) {
  CbcSimpleInteger *integer = integer_of_[static_cast<std::size_t>(column)];
  if (integer == nullptr) return 2;
  const double split = std::floor(value);
  if (split < node.getColLower()[column] || split + 1 > node.getColUpper()[column]) return 1;
  drop_request();
  request_ = Request{column, way < 0 ? -1 : 1, split + 0.5, node_now()};
  integer->setPriority(kRequestPriority);
  return 0;
}

void SearchHooks::drop_request() {
  if (request_.column >= 0) {
    integer_of_[static_cast<std::size_t>(request_.column)]->setPriority(kDefaultPriority);
  }
  request_ = Request();
}

int SearchHooks::offer(const std::vector<double> &given, double *objval) {
  if (objval != nullptr) *objval = TVX_UNDEFINED;
  for (int j = 0; j < n_cols_; ++j) {
    const double v = given[static_cast<std::size_t>(j)];
    if (v == kUndefined || !f_.integer[static_cast<std::size_t>(j)]) continue;
    if (std::fabs(v - std::nearbyint(v)) > int_tol_) return 1;
  }
  const std::vector<double> x = complete_point(p_, f_, lp_, given);
  if (x.empty()) return 1;
  const double obj = objective(x.data());
  if (objval != nullptr) *objval = model_objective(obj);
  if (!improves(obj)) return 2;
  given_.push_back(x);
  return 0;
}

bool SearchHooks::approved(const double *x) const {
  for (const std::vector<double> &a : approved_) {
    bool same = true;
    for (int j = 0; j < n_cols_ && same; ++j)
      same = std::fabs(a[static_cast<std::size_t>(j)] - x[j]) <= 1e-9;
    if (same) return true;
  }
  return false;
}

bool SearchHooks::others_satisfied(const double *x, const OsiBranchingInformation *info,
                                   const CbcObject *gate) {
  OsiBranchingInformation local = info != nullptr ? *info : cbc_->usefulInformation();
  local.solution_ = x;
  // Some objects (the ordered sets) test the model's point, not info's.
  const double *saved = cbc_->testSolution();
  cbc_->setTestSolution(x);
  bool satisfied = true;
  for (int i = 0; i < cbc_->numberObjects() && satisfied; ++i) {
    const OsiObject *object = cbc_->objects()[i];
    if (object == gate || dynamic_cast<const CandidateGate *>(object) != nullptr) continue;
    int way = 0;
    satisfied = object->infeasibility(&local, way) <= 0;
  }
  cbc_->setTestSolution(saved);
  return satisfied;
}

bool SearchHooks::judge(const double *x) {
  if (violates_pool(x)) return false;
  if (!improves(objective(x))) return true;  // no new incumbent: nothing to ask
  // A point the callback cannot see is not taken after a stop.
  if (p_.context.stop_requested()) return false;
  if (!point_violation(p_, std::vector<double>(x, x + n_model_)).empty()) return false;
  const std::size_t first_new = pool_.size();
  {
    CbcSite site(*this, kWhereMipSol);
    site.candidate = x;
    callback_.call(kWhereMipSol, site);
  }
  if (violates_pool(x, first_new)) return false;
  approved_.emplace_back(x, x + n_cols_);
  if (approved_.size() > kApprovedKept) approved_.pop_front();
  return true;
}

bool SearchHooks::next_given(const CbcModel *model, double &value, double *x) {
  if (model != cbc_ || p_.context.stop_requested()) {
    given_.clear();
    return false;
  }
  // The best point goes; the others, no better, are dropped.
  const std::vector<double> *best = nullptr;
  double best_obj = std::min(value, incumbent_obj_);
  for (const std::vector<double> &g : given_) {
    const double obj = objective(g.data());
    if (obj < best_obj && improves(obj)) {
      best = &g;
      best_obj = obj;
    }
  }
  if (best != nullptr) {
    std::copy(best->begin(), best->end(), x);
    value = best_obj;
  }
  given_.clear();
  return best != nullptr;
}

// ---- CallbackSearch ---------------------------------------------------------

CallbackSearch::CallbackSearch(const Problem &p, const Formulation &f, const OsiSolverInterface &lp)
    : hooks_(new SearchHooks(p, f, lp)) {}

CallbackSearch::~CallbackSearch() = default;

void CallbackSearch::attach(CbcModel &cbc) { hooks_->attach(cbc); }
void CallbackSearch::begin(const std::vector<double> &start) { hooks_->begin(start); }
bool CallbackSearch::take(const double *x) { return hooks_->take(x); }
void CallbackSearch::taken(const double *x) { hooks_->taken(x); }
void CallbackSearch::node_done() { hooks_->node_done(); }
void CallbackSearch::end() { hooks_->end(); }

}  // namespace tvx
