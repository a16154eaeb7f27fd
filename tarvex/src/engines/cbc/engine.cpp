// The CBC engine: MIPs with SOS or indicator constraints, and MIPs solved
// with a callback (callback_search.h), branch and cut on CLP through their
// C++ API, on the formulation of formulation.h with the ordered sets of
// ordered_sets.h.
//
// CBC keeps some state in globals, so one CBC search runs at a time.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engines/cbc/callback_search.h"
#include "engines/cbc/clp_watch.h"
#include "engines/cbc/completion.h"
#include "engines/cbc/formulation.h"
#include "engines/cbc/ordered_sets.h"
#include "engines/cbc/relaxation.h"
#include "solve/answer_check.h"
#include "solve/engine.h"

#include <CbcEventHandler.hpp>
#include <CbcHeuristic.hpp>
#include <CbcHeuristicDiveCoefficient.hpp>
#include <CbcHeuristicFPump.hpp>
#include <CbcHeuristicLocal.hpp>
#include <CbcHeuristicRINS.hpp>
#include <CbcModel.hpp>
#include <CglClique.hpp>
#include <CglFlowCover.hpp>
#include <CglGomory.hpp>
#include <CglKnapsackCover.hpp>
#include <CglMixedIntegerRounding2.hpp>
#include <CoinError.hpp>
#include <CoinMessageHandler.hpp>
#include <OsiClpSolverInterface.hpp>

namespace tvx {
namespace {

std::mutex &cbc_mutex() {
  static std::mutex mutex;
  return mutex;
}

// CBC's and CLP's messages, into the solve log or nowhere.
class LogHandler final : public CoinMessageHandler {
 public:
  explicit LogHandler(LogFile &log) : log_(log) { setLogLevel(log.enabled() ? 1 : 0); }
  int print() override {
    log_.line(messageBuffer());
    return 0;
  }
  CoinMessageHandler *clone() const override { return new LogHandler(*this); }

 private:
  LogFile &log_;
};

// What the search reports through its events, the stalling limit, which
// CBC lacks, and the check of every incumbent: some heuristics know only
// integer variables, and CBC takes their points without asking the sets.
struct SearchWatch {
  const CbcModel *main = nullptr;  // heuristics run sub-searches of their own
  const Problem *problem = nullptr;
  CallbackSearch *search = nullptr;  // with a callback
  int max_stalling = INT_MAX;
  int last_improvement = 0;  // node count at the last new incumbent
  bool stalled = false;
  bool interrupted = false;  // stopped on request (SolveContext)
  bool out_of_time = false;  // an LP ended at MaxTime
};

class Watcher final : public CbcEventHandler {
 public:
  explicit Watcher(SearchWatch *watch) : watch_(watch) {}
  CbcAction event(CbcEvent which) override {
    const bool stopping = watch_->problem->context.stop_requested();
    // A stop request ends the sub-searches too; nothing else of theirs is
    // the main search's business.
    if (getModel() != watch_->main) return which == node && stopping ? stop : noAction;
    const int nodes = getModel()->getNodeCount();
    const double *x = getModel()->bestSolution();
    switch (which) {
      case beforeSolution1:
      case beforeSolution2: {
        if (x == nullptr) break;
        const int n = watch_->problem->model.num_vars();
        if (!point_violation(*watch_->problem, std::vector<double>(x, x + n)).empty()) {
          return killSolution;
        }
        if (which == beforeSolution2 && watch_->search != nullptr &&
            !watch_->search->approve_candidate(x)) {
          return killSolution;
        }
        break;
      }
      case solution:
      case heuristicSolution:
        watch_->last_improvement = nodes;
        if (watch_->search != nullptr && x != nullptr) watch_->search->record_incumbent(x);
        break;
      case node:
        if (stopping) {
          watch_->interrupted = true;
          return stop;
        }
        if (nodes - watch_->last_improvement >= watch_->max_stalling &&
            getModel()->getSolutionCount() > 0) {
          watch_->stalled = true;
          return stop;
        }
        if (watch_->search != nullptr) watch_->search->node_done();
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

// A full start point from the model's MIP start (completion.h); empty
// when it gives nothing or cannot be completed (said in the log).
std::vector<double> complete_start(const Problem &p, const Formulation &f,
                                   const OsiClpSolverInterface &base) {
  std::vector<double> given = p.model.vars().start;
  if (std::all_of(given.begin(), given.end(), [](double s) { return s == kUndefined; })) return {};
  given.resize(f.col_lb.size(), kUndefined);
  std::vector<double> start = complete_point(p, f, base, given);
  if (start.empty()) {
    p.log().line("The MIP start cannot be completed to a feasible point; solving without it.");
  }
  return start;
}

// Whether CBC's rounding heuristic may run on f, on its own or inside the
// feasibility pump: it moves an integer column toward a bound, and one with
// an infinite bound it moves without end.
bool rounding_ends(const Formulation &f) {
  for (std::size_t j = 0; j < f.col_lb.size(); ++j) {
    if (f.integer[j] && (std::isinf(f.col_lb[j]) || std::isinf(f.col_ub[j]))) return false;
  }
  return true;
}

// Cut generators and heuristics. Probing is left out: with the sets in the
// model its bound fixings were seen to cut off true optima. Heuristics know
// only integer variables; the watcher refuses their points that break a set.
void add_search_aids(CbcModel &cbc, const Formulation &f) {
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
  if (rounding_ends(f)) {
    cbc.addHeuristic(&round);
    cbc.addHeuristic(&pump);
  }
  cbc.addHeuristic(&local);
  cbc.addHeuristic(&rins);
  cbc.addHeuristic(&dive);
}

// seconds: the time left of MaxTime, infinite without a limit.
void set_limits(CbcModel &cbc, const Problem &p, const Formulation &f, double seconds) {
  cbc.setUseElapsedTime(true);
  if (seconds < kInfinity) cbc.setMaximumSeconds(std::max(seconds, 0.0));
  const int max_nodes = p.int_param(Param::MIP_MaxNodes);
  if (max_nodes < INT_MAX) cbc.setMaximumNodes(max_nodes);
  const int max_sols = p.int_param(Param::MIP_MaxSols);
  if (max_sols < INT_MAX) cbc.setMaximumSolutions(max_sols);
  cbc.setIntegerTolerance(p.param(Param::MIP_IntegerTolerance));
  cbc.setAllowableGap(f.scale * p.param(Param::MIP_GapAbs));
  cbc.setAllowableFractionGap(p.param(Param::MIP_GapRel));
  const double cutoff = p.param(Param::MIP_Cutoff);
  if (std::fabs(cutoff) < kInfinity) {
    cbc.setCutoff(f.direction * f.scale * (cutoff - p.model.objcon()));
  }
}

// CbcModel::secondaryStatus() after a search.
enum CbcSearchEnd : int {
  kCbcCompleted = 0,
  kCbcRelaxationInfeasible = 1,  // or no better than the cutoff
  kCbcWithinGap = 2,
  kCbcNodeLimit = 3,
  kCbcTimeLimit = 4,
  kCbcUserEvent = 5,  // an event handler stopped it (the watcher says why)
  kCbcSolutionLimit = 6,
  kCbcRelaxationUnbounded = 7,
  kCbcIterationLimit = 8,
};

// Whether the formulation of the model, slacks and switches included, fits
// CBC's int indices.
bool fits_cbc(const Store &model) {
  const std::size_t entries = model.num_nz() + model.genconstrs().terms.nnz() +
                              8 * to_size(model.num_vars() + model.num_genconstrs());
  return entries <= to_size(INT_MAX);
}

void load(OsiClpSolverInterface &lp, const Formulation &f) {
  lp.loadProblem(f.rows, f.col_lb.data(), f.col_ub.data(), f.cost.data(), f.row_lb.data(),
                 f.row_ub.data());
  for (int j = 0; j < int_size(f.col_lb); ++j) {
    if (f.integer[to_size(j)]) lp.setInteger(j);
  }
}

// The sets, search aids, limits and start of the search.
void configure(CbcModel &cbc, const Problem &p, const Formulation &f,
               const std::vector<double> &start, double seconds) {
  // The model keeps clones of the objects.
  std::vector<std::unique_ptr<CbcObject>> objects;
  std::vector<CbcObject *> raw;
  for (std::size_t k = 0; k < f.sets.size(); ++k) {
    const Formulation::Set &set = f.sets[k];
    objects.emplace_back(new_ordered_set(&cbc, set.member, set.type, static_cast<int>(k)));
    raw.push_back(objects.back().get());
  }
  cbc.findIntegers(false);
  if (!raw.empty()) cbc.addObjects(int_size(raw), raw.data());
  // Plain branching decisions: the pseudo-cost decision of CBC dereferences
  // objects that only its own integer branches have.
  cbc.setNumberBeforeTrust(0);
  cbc.setNumberStrong(0);
  add_search_aids(cbc, f);
  set_limits(cbc, p, f, seconds);
  if (!start.empty()) {
    double value = 0;
    for (std::size_t j = 0; j < start.size(); ++j) value += f.cost[j] * start[j];
    cbc.setBestSolution(start.data(), int_size(start), value, false);
  }
}

// Our code and status for how the search ended.
void set_status(CbcModel &cbc, const SearchWatch &watch, SolveOutcome &out) {
  Results &r = out.results;
  const bool found = cbc.bestSolution() != nullptr;
  const auto stopped = [&](int code) {
    out.code = code;
    r.status = found ? TVX_STATUS_SUB_OPTIMAL : TVX_STATUS_UNKNOWN;
  };
  if (watch.interrupted) {
    stopped(watch.problem->context.stop_code());
    return;
  }
  if (watch.stalled) {
    stopped(TVX_ERROR_ABORT_STALLING_NODE_LIMIT);
    return;
  }
  if (watch.out_of_time) {
    stopped(TVX_ERROR_ABORT_TIME_LIMIT);
    return;
  }
  switch (cbc.secondaryStatus()) {
    case kCbcCompleted:
    case kCbcWithinGap:
    case kCbcRelaxationInfeasible:
      // An infeasible relaxation proves the incumbent, if any, optimal (a start
      // that is already optimal leaves nothing better to find).
      r.status = found ? TVX_STATUS_OPTIMAL : TVX_STATUS_INFEASIBLE;
      break;
    case kCbcNodeLimit:
      stopped(TVX_ERROR_ABORT_NODE_LIMIT);
      break;
    case kCbcTimeLimit:
      stopped(TVX_ERROR_ABORT_TIME_LIMIT);
      break;
    case kCbcSolutionLimit:
      stopped(TVX_ERROR_ABORT_SOLUTION_LIMIT);
      break;
    case kCbcRelaxationUnbounded:
      r.status = TVX_STATUS_INF_OR_UBD;
      break;
    case kCbcIterationLimit:
      stopped(TVX_ERROR_ABORT_ITERATION_LIMIT);
      break;
    default:  // kCbcUserEvent from no watcher of ours, or no status at all
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

// The incumbent in the model's columns and the search's bound.
void read_solution(CbcModel &cbc, const Store &model, const Formulation &f, Results &r) {
  const double *best = cbc.bestSolution();
  if (best == nullptr || (r.status != TVX_STATUS_OPTIMAL && r.status != TVX_STATUS_SUB_OPTIMAL)) {
    return;
  }
  r.x = std::vector<double>(best, best + model.num_vars());
  const double bound = cbc.getBestPossibleObjValue();
  if (std::isfinite(bound) && std::fabs(bound) < 1e50) {
    r.dual_obj = f.model_units(bound) + model.objcon();
  }
}

// The clock of one solve, from the moment it holds the CBC lock.
class SolveClock {
 public:
  explicit SolveClock(const Problem &p)
      : started_(std::chrono::steady_clock::now()), max_time_(p.param(Param::MaxTime)) {}
  // What is left of MaxTime, infinite without a limit.
  double seconds_left() const {
    if (max_time_ >= kInfinity) return kInfinity;
    return max_time_ - elapsed();
  }
  // When MaxTime runs out. From 1e9 seconds (decades) on it counts as no
  // limit, which also keeps the time point within the clock's range.
  std::chrono::steady_clock::time_point deadline() const {
    if (max_time_ >= 1e9) return std::chrono::steady_clock::time_point::max();
    return started_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                          std::chrono::duration<double>(max_time_));
  }
  void finish(int iterations, SolveOutcome &out) const {
    SolveStats stats;
    stats.spx_iters = std::max(iterations, 0);
    stats.solver_time = elapsed();
    out.results.stats = stats;
  }

 private:
  double elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  }

  const std::chrono::steady_clock::time_point started_;
  const double max_time_;
};

void failed(const Problem &p, const CoinError &e, SolveOutcome &out) {
  p.log().line("CBC failed: " + e.className() + "::" + e.methodName() + ": " + e.message());
  out.code = TVX_ERROR_ERROR;
}

// The answer of a relaxation settled otherwise than kBounded.
void settled_answer(const Problem &p, const Settled &settled, const SolveClock &clock,
                    SolveOutcome &out) {
  switch (settled.kind) {
    case Settled::kBounded:
      break;
    case Settled::kUnbounded:
      p.log().line("Unbounded: a feasible point and a ray of the relaxation that it keeps.");
      out.results.status = TVX_STATUS_UNBOUNDED;
      clock.finish(0, out);
      break;
    case Settled::kNoPoint:
      p.log().line("Infeasible or unbounded: the relaxation is unbounded, and no point is known.");
      out.results.status = TVX_STATUS_INF_OR_UBD;
      clock.finish(0, out);
      break;
    case Settled::kStopped:
      out.code = settled.code;
      out.results.status = TVX_STATUS_UNKNOWN;
      clock.finish(0, out);
      break;
    case Settled::kGaveUp:
      p.log().line(std::string("CBC cannot solve this model safely: ") + settled.why + ".");
      out.code = TVX_ERROR_ERROR;
      break;
  }
}

// Every feasible point keeps the bound of a settled unbounded relaxation
// (relaxation.h), and with it as a row every node LP is bounded.
void add_bound_row(double bound, Formulation &f, OsiClpSolverInterface &lp) {
  std::vector<int> ind;
  std::vector<double> val;
  for (std::size_t j = 0; j < f.cost.size(); ++j) {
    if (f.cost[j] == 0) continue;
    ind.push_back(static_cast<int>(j));
    val.push_back(f.cost[j]);
  }
  // Exact where CLP's bound is: a looser row would be taken up by points
  // within the tolerances, and a bound of 0 then reads as an optimum below it.
  const double side = bound - 1e-9 * std::fabs(bound);
  f.add_row(ind, val, side, kInf);
  lp.addRow(int_size(ind), ind.data(), val.data(), side, lp.getInfinity());
}

// Settles the relaxation of f, loaded in lp, and adds the bound row it may
// give. False when that answers the solve (in out).
bool settle(const Problem &p, const SolveClock &clock, const ClpStop &stop, Formulation &f,
            OsiClpSolverInterface &lp, bool &unbounded, SolveOutcome &out) {
  Settled settled;
  try {
    settled = settle_relaxation(p, f, lp, stop);
  } catch (const CoinError &e) {
    failed(p, e, out);
    return false;
  }
  if (settled.kind != Settled::kBounded) {
    settled_answer(p, settled, clock, out);
    return false;
  }
  unbounded = settled.unbounded;
  if (unbounded) add_bound_row(settled.bound, f, lp);
  if (settled.unscaled) lp.setHintParam(OsiDoScale, false, OsiHintDo);
  return true;
}

// The branch and cut on f, loaded in lp, with the callback's hooks when
// there is a callback. unbounded: the relaxation was.
void search(const Problem &p, const SolveClock &clock, const ClpStop &stop, const Formulation &f,
            OsiClpSolverInterface &lp, bool unbounded, LogHandler &handler, SolveOutcome &out) {
  const std::vector<double> start = complete_start(p, f, lp);
  CbcModel cbc(lp);
  SearchWatch watch;
  watch.main = &cbc;
  watch.problem = &p;
  watch.max_stalling = p.int_param(Param::MIP_MaxStallingNodes);
  cbc.passInMessageHandler(&handler);
  cbc.setLogLevel(p.log().enabled() ? 1 : 0);
  Watcher watcher(&watch);
  cbc.passInEventHandler(&watcher);
  std::unique_ptr<CallbackSearch> hooks;
  if (p.context.callback != nullptr) hooks.reset(new CallbackSearch(p, f, lp));
  // With a callback, the start is a candidate like any other.
  configure(cbc, p, f, hooks ? std::vector<double>() : start, clock.seconds_left());
  try {
    if (hooks) {
      watch.search = hooks.get();
      hooks->attach(cbc);
      hooks->begin(start);
    }
    if (!p.context.stop_requested()) cbc.branchAndBound();
    if (hooks) hooks->end();
  } catch (const CoinError &e) {
    failed(p, e, out);
    return;
  }
  // A stop asked for after the last check still ends the run as asked; an
  // LP cut short by MaxTime leaves a node unjudged, so the search proves
  // nothing.
  if (p.context.stop_requested()) watch.interrupted = true;
  if (stop.fired) watch.out_of_time = true;
  clock.finish(cbc.getIterationCount(), out);
  out.nodes = std::max(cbc.getNodeCount(), 0);
  set_status(cbc, watch, out);
  // With an unbounded relaxation no point is no proof of infeasibility.
  if (unbounded && out.results.status == TVX_STATUS_INFEASIBLE) {
    out.results.status = TVX_STATUS_INF_OR_UBD;
  }
  read_solution(cbc, p.model, f, out.results);
}

// CLP fails on matrix elements of 1e20 or more (and the search then
// reports a feasible model infeasible), and aborts on an assertion with a
// cost of 1e25 or more. CBC takes no more than HiGHS does, though: a MIP
// goes to one or the other by whether it has a callback, which must not
// decide whether the model is refused.
constexpr double kCbcLargestCoefficient = 1e15;
constexpr double kCbcLargestCost = 1e20;

class CbcEngine final : public Engine {
 public:
  const char *name() const override { return "CBC"; }
  void solve(const Problem &p, SolveOutcome &out) const override;
  DataLimits limits() const override {
    DataLimits limits;
    limits.coefficient = kCbcLargestCoefficient;
    limits.cost = kCbcLargestCost;
    return limits;
  }
};

void CbcEngine::solve(const Problem &p, SolveOutcome &out) const {
  if (!fits_cbc(p.model)) {
    p.log().line("The constraint matrix has more entries than CBC can index.");
    out.code = TVX_ERROR_MODEL_INPUT_ERROR;
    return;
  }
  Formulation f = formulate(p.model);
  if (f.infeasible) {
    p.log().line("Infeasible: the SOS sets cannot hold within the bounds.");
    out.results.status = TVX_STATUS_INFEASIBLE;
    out.results.stats = SolveStats();
    return;
  }
  f.rows.setDimensions(int_size(f.row_lb), int_size(f.col_lb));

  std::lock_guard<std::mutex> lock(cbc_mutex());
  const SolveClock clock(p);
  LogHandler handler(p.log());
  OsiClpSolverInterface lp;
  lp.passInMessageHandler(&handler);
  load(lp, f);
  ClpStop stop;
  stop.context = &p.context;
  stop.deadline = clock.deadline();
  watch_lp(lp, p, stop);
  bool unbounded = false;
  if (settle(p, clock, stop, f, lp, unbounded, out)) {
    search(p, clock, stop, f, lp, unbounded, handler, out);
  }
}

}  // namespace

const Engine &cbc_engine() {
  static const CbcEngine engine;
  return engine;
}

}  // namespace tvx
