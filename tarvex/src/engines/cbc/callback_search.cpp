// The hooks of callback_search.h: the search's state, its cut pool, and
// the judging of candidates.
#include "engines/cbc/callback_search.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include <CbcModel.hpp>
#include <CbcSimpleInteger.hpp>
#include <OsiCuts.hpp>
#include <OsiSolverInterface.hpp>

#include "engines/cbc/callback_hooks.h"
#include "engines/cbc/callback_objects.h"
#include "engines/cbc/callback_site.h"
#include "engines/cbc/completion.h"
#include "solve/answer_check.h"

namespace tvx {
namespace {

constexpr int kDefaultPriority = 1000;  // CbcObject's
constexpr int kRequestPriority = 0;     // chosen before every other object
// Judged candidates remembered, so that CBC taking one asks nothing again.
constexpr std::size_t kApprovedKept = 16;
// A point improves on the incumbent when its objective is lower by more
// than this, relative to the larger of 1 and the incumbent's magnitude. A
// point no better within rounding (the incumbent handed over again, a copy
// of a point judged already) is no news: not judged, offered or counted.
constexpr double kObjectiveTie = 1e-9;
// A candidate counts as judged when it matches a judged point entry by
// entry within this: CBC presents a point judged in its node's cut round
// again when it takes it, as a copy of its own. Far below every tolerance
// of the search, so no other point passes for it; a copy that misses it is
// only judged again.
constexpr double kSamePoint = 1e-9;
// A point violates a cut, or a cut lies outside the columns' bounds, when
// it is off by more than SPX/PrimalTolerance and never by less than this: a
// tighter test would take the rounding in CBC's LP points for a violation.
// A point's violation is measured in units of the cut's largest
// coefficient (at least 1), as CLP, which scales its rows, meets them.
constexpr double kMinCutTolerance = 1e-6;

}  // namespace

SearchHooks::SearchHooks(const Problem &p, const Formulation &f, const OsiSolverInterface &lp)
    : p_(p),
      f_(f),
      lp_(lp),
      callback_(*p.context.callback),
      n_model_(p.model.num_vars()),
      n_cols_(int_size(f.col_lb)),
      sign_(f.model_units(1.0)),
      tol_(std::max(kMinCutTolerance, p.param(Param::SPX_PrimalTolerance))),
      int_tol_(p.param(Param::MIP_IntegerTolerance)) {}

// ---- The search's course ----------------------------------------------------

void SearchHooks::attach(CbcModel &cbc) {
  cbc_ = &cbc;
  integer_of_ = add_search_objects(cbc, *this, f_.integer);
}

void SearchHooks::begin(const std::vector<double> &start) {
  call_with_site(callback_, *this, TVX_CB_MIPSTART);
  std::vector<std::vector<double>> points;
  if (!start.empty() && violates_pool(start.data())) {
    // Completed again within the cuts given at MIPSTART.
    std::vector<double> given = p_.model.vars().start;
    given.resize(to_size(n_cols_), kUndefined);
    points.push_back(complete_point(p_, f_, lp_, given, pool_));
  } else if (!start.empty()) {
    points.push_back(start);
  }
  for (std::vector<double> &x : given_) points.push_back(std::move(x));
  given_.clear();
  for (std::vector<double> &x : points) {
    if (x.empty()) continue;
    const double obj = objective(x.data());
    if (!improves(obj) || !judge(x.data())) continue;
    install(std::move(x), obj);
  }
}

bool SearchHooks::approve_candidate(const double *x) {
  if (approved(x)) return !violates_pool(x);
  return judge(x);
}

void SearchHooks::record_incumbent(const double *x) {
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
  std::vector<double> x(to_size(n_cols_));
  if (!next_given(cbc_, value, x.data()) || !judge(x.data())) return;
  install(std::move(x), value);
}

void SearchHooks::install(std::vector<double> x, double obj) {
  cbc_->setBestSolution(x.data(), n_cols_, obj, false);
  incumbent_ = std::move(x);
  incumbent_obj_ = obj;
  ++solutions_;
}

// ---- The search's objects ---------------------------------------------------

void SearchHooks::round(const OsiSolverInterface &solver, OsiCuts &cs) {
  if (&solver != cbc_->solver() || p_.context.stop_requested()) return;
  const NodeTag now = node_now();
  if (now != node_) {
    node_ = now;
    call_node_ = true;
    if (request_.node != now) drop_request();
  }
  sync_check_lp();
  const double *x = solver.getColSolution();
  // The pool first: the node is re-solved with its cuts before anything
  // is asked about this point.
  bool pooled = false;
  for (const OsiRowCut &cut : pool_) {
    if (violation(cut, x) > tol_) {
      cs.insert(cut);
      pooled = true;
    }
  }
  if (pooled) return;
  std::size_t first_new = pool_.size();
  if (call_node_) {
    call_with_site(callback_, *this, TVX_CB_MIPNODE, &solver);
    call_node_ = pool_.size() > first_new;
  }
  if (!call_node_ && !p_.context.stop_requested() && improves(objective(x)) && !approved(x) &&
      others_satisfied(x, nullptr)) {
    judge(x);
  }
  for (std::size_t k = first_new; k < pool_.size(); ++k) cs.insert(pool_[k]);
}

bool SearchHooks::unjudged(const CbcModel *model, const OsiBranchingInformation *info) {
  if (model != cbc_) return false;
  const double *x = info != nullptr ? info->solution_ : model->testSolution();
  if (x == nullptr || !improves(objective(x)) || approved(x)) return false;
  return others_satisfied(x, info);
}

void SearchHooks::judge_at_branch(const CbcModel *model, const OsiBranchingInformation *info) {
  if (unjudged(model, info)) judge(info != nullptr ? info->solution_ : model->testSolution());
}

const Request *SearchHooks::request_for(const CbcModel *model, int column) const {
  if (model != cbc_ || request_.column != column || request_.node != node_now()) return nullptr;
  return &request_;
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

// ---- What a call's site reaches ---------------------------------------------

double SearchHooks::bound() const {
  const double b = cbc_->getBestPossibleObjValue();
  return std::fabs(b) < kInfinity ? b : -kInf;
}

void SearchHooks::by_column(std::vector<int> &starts, std::vector<int> &rows,
                            std::vector<double> &values) const {
  const CoinPackedMatrix &m = f_.rows;  // row-ordered
  starts.assign(to_size(n_cols_) + 1, 0);
  for (int i = 0; i < m.getNumRows(); ++i) {
    const CoinShallowPackedVector row = m.getVector(i);
    for (int k = 0; k < row.getNumElements(); ++k) ++starts[to_size(row.getIndices()[k]) + 1];
  }
  for (int j = 0; j < n_cols_; ++j) starts[to_size(j) + 1] += starts[to_size(j)];
  rows.assign(to_size(starts.back()), 0);
  values.assign(to_size(starts.back()), 0.0);
  std::vector<int> next(starts.begin(), starts.end() - 1);
  for (int i = 0; i < m.getNumRows(); ++i) {
    const CoinShallowPackedVector row = m.getVector(i);
    for (int k = 0; k < row.getNumElements(); ++k) {
      const int at = next[to_size(row.getIndices()[k])]++;
      rows[to_size(at)] = i;
      values[to_size(at)] = row.getElements()[k];
    }
  }
}

int SearchHooks::add_cut(const CutRow &row) {
  const double rhs = finite_or_inf(row.rhs);
  // NOLINTNEXTLINE(bugprone-narrowing-conversions): +infinity in ?: is no narrowing
  const double lb = row.sense == '<' ? -kInf : rhs, ub = row.sense == '>' ? kInf : rhs;
  // The row's range over the columns' bounds.
  double low = 0, high = 0;
  for (std::size_t k = 0; k < row.ind.size(); ++k) {
    const double a = row.val[k], l = f_.col_lb[to_size(row.ind[k])],
                 u = f_.col_ub[to_size(row.ind[k])];
    if (a == 0) continue;
    low += a > 0 ? a * l : a * u;
    high += a > 0 ? a * u : a * l;
  }
  if ((std::isinf(lb) && lb > 0) || (std::isinf(ub) && ub < 0)) return TVX_CB_INCORRECT;
  if (lb <= low && high <= ub) return TVX_CB_DECLINED;
  if (low > ub + tol_ || high < lb - tol_) {
    // No point within the bounds satisfies it: as it would up front, it
    // leaves the model no feasible point, and it is said to be incorrect.
    // The pool takes two rows that contradict each other, which every LP
    // finds infeasible (an empty row, or one whose excess CLP's tolerances
    // forgive, would be dropped or met, the node re-solved without end).
    const int first = 0;
    const double one = 1;
    for (const double side : {1.0, -1.0}) {
      OsiRowCut never;
      never.setRow(1, &first, &one);
      never.setLb(side > 0 ? side : -COIN_DBL_MAX);
      never.setUb(side > 0 ? COIN_DBL_MAX : side);
      never.setGloballyValid(true);
      pool_.push_back(never);
    }
    sync_check_lp();
    return TVX_CB_INCORRECT;
  }
  OsiRowCut cut;
  cut.setRow(int_size(row.ind), row.ind.data(), row.val.data());
  cut.setLb(std::isinf(lb) ? -COIN_DBL_MAX : lb);
  cut.setUb(std::isinf(ub) ? COIN_DBL_MAX : ub);
  cut.setGloballyValid(true);
  if (has_incumbent() && violation(cut, incumbent_.data()) > tol_) return TVX_CB_INCORRECT;
  pool_.push_back(cut);
  sync_check_lp();
  return TVX_CB_ACCEPTED;
}

int SearchHooks::request(const OsiSolverInterface &node, int column, int way, double value) {
  CbcSimpleInteger *integer = integer_of_[to_size(column)];
  if (integer == nullptr) return TVX_CB_DECLINED;
  const double split = std::floor(value);
  if (split < node.getColLower()[column] || split + 1 > node.getColUpper()[column]) {
    return TVX_CB_INCORRECT;
  }
  drop_request();
  request_ = Request{column, way < 0 ? -1 : 1, split + 0.5, node_now()};
  integer->setPriority(kRequestPriority);
  return TVX_CB_ACCEPTED;
}

int SearchHooks::offer(const std::vector<double> &given, double *objval) {
  if (objval != nullptr) *objval = TVX_UNDEFINED;
  for (int j = 0; j < n_cols_; ++j) {
    const double v = given[to_size(j)];
    if (v == kUndefined || !f_.integer[to_size(j)]) continue;
    if (std::fabs(v - std::nearbyint(v)) > int_tol_) return TVX_CB_INCORRECT;
  }
  // Completed within the pool: a completion that breaks a cut would only be
  // refused when judged.
  const std::vector<double> x = complete_point(p_, f_, lp_, given, pool_);
  if (x.empty()) return TVX_CB_INCORRECT;
  const double obj = objective(x.data());
  if (objval != nullptr) *objval = model_objective(obj);
  if (!improves(obj)) return TVX_CB_DECLINED;
  given_.push_back(x);
  return TVX_CB_ACCEPTED;
}

// ---- Judging ----------------------------------------------------------------

bool SearchHooks::improves(double obj) const {
  return !has_incumbent() ||
         obj < incumbent_obj_ - kObjectiveTie * std::max(1.0, std::fabs(incumbent_obj_));
}

double SearchHooks::violation(const OsiRowCut &cut, const double *x) {
  const CoinPackedVector &row = cut.row();
  double largest = 1;
  for (int k = 0; k < row.getNumElements(); ++k) {
    largest = std::max(largest, std::fabs(row.getElements()[k]));
  }
  return cut.violated(x) / largest;
}

bool SearchHooks::violates_pool(const double *x, std::size_t from) const {
  for (std::size_t k = from; k < pool_.size(); ++k) {
    if (violation(pool_[k], x) > tol_) return true;
  }
  return false;
}

// CBC takes a candidate as the point its check gives: the integer columns
// fixed at the candidate's values, the rest re-solved over the LP it keeps
// for the check, the formulation as the root had it, without the search's
// cuts. Should a cut of the pool hold continuous columns, that point can
// break it where the candidate kept it, and the candidate was lost. As rows
// of that LP (globally valid, like every cut of the pool), the check keeps
// them as the node did.
void SearchHooks::sync_check_lp() {
  OsiSolverInterface *lp = cbc_ != nullptr ? cbc_->continuousSolver() : nullptr;
  if (lp == nullptr) return;
  if (lp != check_lp_ || lp->getNumRows() != check_lp_rows_) {
    check_lp_ = lp;
    check_lp_cuts_ = 0;
  }
  for (; check_lp_cuts_ < pool_.size(); ++check_lp_cuts_) {
    const OsiRowCut &cut = pool_[check_lp_cuts_];
    lp->addRow(cut.row(), cut.lb(), cut.ub());
  }
  check_lp_rows_ = lp->getNumRows();
}

bool SearchHooks::approved(const double *x) const {
  for (const std::vector<double> &a : approved_) {
    bool same = true;
    for (int j = 0; j < n_cols_ && same; ++j) same = std::fabs(a[to_size(j)] - x[j]) <= kSamePoint;
    if (same) return true;
  }
  return false;
}

bool SearchHooks::others_satisfied(const double *x, const OsiBranchingInformation *info) {
  OsiBranchingInformation local = info != nullptr ? *info : cbc_->usefulInformation();
  local.solution_ = x;
  // Some objects (the ordered sets) test the model's point, not info's.
  const double *saved = cbc_->testSolution();
  cbc_->setTestSolution(x);
  bool satisfied = true;
  for (int i = 0; i < cbc_->numberObjects() && satisfied; ++i) {
    const OsiObject *object = cbc_->objects()[i];
    if (is_gate(object)) continue;
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
  call_with_site(callback_, *this, TVX_CB_MIPSOL, nullptr, x);
  if (violates_pool(x, first_new)) return false;
  approved_.emplace_back(x, x + n_cols_);
  if (approved_.size() > kApprovedKept) approved_.pop_front();
  return true;
}

NodeTag SearchHooks::node_now() const { return NodeTag{cbc_->getNodeCount()}; }

void SearchHooks::drop_request() {
  if (request_.column >= 0) {
    integer_of_[to_size(request_.column)]->setPriority(kDefaultPriority);
  }
  request_ = Request();
}

// ---- CallbackSearch ---------------------------------------------------------

CallbackSearch::CallbackSearch(const Problem &p, const Formulation &f, const OsiSolverInterface &lp)
    : hooks_(new SearchHooks(p, f, lp)) {}

CallbackSearch::~CallbackSearch() = default;

void CallbackSearch::attach(CbcModel &cbc) { hooks_->attach(cbc); }
void CallbackSearch::begin(const std::vector<double> &start) { hooks_->begin(start); }
bool CallbackSearch::approve_candidate(const double *x) { return hooks_->approve_candidate(x); }
void CallbackSearch::record_incumbent(const double *x) { hooks_->record_incumbent(x); }
void CallbackSearch::node_done() { hooks_->node_done(); }
void CallbackSearch::end() { hooks_->end(); }

}  // namespace tvx
