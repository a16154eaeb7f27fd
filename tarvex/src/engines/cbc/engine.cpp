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
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engines/cbc/callback_search.h"
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
        if (which == beforeSolution2 && watch_->search != nullptr && !watch_->search->take(x)) {
          return killSolution;
        }
        break;
      }
      case solution:
      case heuristicSolution:
        watch_->last_improvement = nodes;
        if (watch_->search != nullptr && x != nullptr) watch_->search->taken(x);
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

// seconds: the time left of MaxTime, infinite without a limit.
void set_limits(CbcModel &cbc, const Problem &p, double sign, double seconds) {
  cbc.setUseElapsedTime(true);
  if (seconds < kInfinity) cbc.setMaximumSeconds(std::max(seconds, 0.0));
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
  const std::size_t entries =
      model.num_nz() + model.genconstrs().terms.nnz() +
      8 * static_cast<std::size_t>(model.num_vars() + model.num_genconstrs());
  return entries <= static_cast<std::size_t>(INT_MAX);
}

void load(OsiClpSolverInterface &lp, const Formulation &f) {
  lp.loadProblem(f.rows, f.col_lb.data(), f.col_ub.data(), f.cost.data(), f.row_lb.data(),
                 f.row_ub.data());
  for (int j = 0; j < static_cast<int>(f.col_lb.size()); ++j) {
    if (f.integer[static_cast<std::size_t>(j)]) lp.setInteger(j);
  }
}

// The sets, search aids, limits and start of the search.
void configure(CbcModel &cbc, const Problem &p, const Formulation &f,
               const std::vector<double> &start, double sign, double seconds) {
  // The model keeps clones of the objects.
  std::vector<std::unique_ptr<CbcObject>> objects;
  std::vector<CbcObject *> raw;
  for (std::size_t k = 0; k < f.sets.size(); ++k) {
    const Formulation::Set &set = f.sets[k];
    objects.emplace_back(new_ordered_set(&cbc, set.member, set.type, static_cast<int>(k)));
    raw.push_back(objects.back().get());
  }
  cbc.findIntegers(false);
  if (!raw.empty()) cbc.addObjects(static_cast<int>(raw.size()), raw.data());
  // Plain branching decisions: the pseudo-cost decision of CBC dereferences
  // objects that only its own integer branches have.
  cbc.setNumberBeforeTrust(0);
  cbc.setNumberStrong(0);
  add_search_aids(cbc);
  set_limits(cbc, p, sign, seconds);
  if (!start.empty()) {
    double value = 0;
    for (std::size_t j = 0; j < start.size(); ++j) value += f.cost[j] * start[j];
    cbc.setBestSolution(start.data(), static_cast<int>(start.size()), value, false);
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
  switch (cbc.secondaryStatus()) {
    case kCbcCompleted:
    case kCbcWithinGap:
      r.status = found ? TVX_STATUS_OPTIMAL : TVX_STATUS_INFEASIBLE;
      break;
    case kCbcRelaxationInfeasible:
      // Nothing better than the incumbent (a start that is already optimal)
      // proves it optimal.
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
void read_solution(CbcModel &cbc, const Store &model, double sign, Results &r) {
  const double *best = cbc.bestSolution();
  if (best == nullptr || (r.status != TVX_STATUS_OPTIMAL && r.status != TVX_STATUS_SUB_OPTIMAL)) {
    return;
  }
  r.x = std::vector<double>(best, best + model.num_vars());
  const double bound = cbc.getBestPossibleObjValue();
  if (std::isfinite(bound) && std::fabs(bound) < 1e50) {
    r.dual_obj = sign * bound + model.objcon();
  }
}

class CbcEngine final : public Engine {
 public:
  const char *name() const override { return "CBC"; }
  void solve(const Problem &p, SolveOutcome &out) const override;
};

void CbcEngine::solve(const Problem &p, SolveOutcome &out) const {
  const Store &model = p.model;
  if (!fits_cbc(model)) {
    p.log().line("The constraint matrix has more entries than CBC can index.");
    out.code = TVX_ERROR_MODEL_INPUT_ERROR;
    return;
  }
  Formulation f = formulate(model);
  if (f.infeasible) {
    p.log().line("Infeasible: the SOS sets cannot hold within the bounds.");
    out.results.status = TVX_STATUS_INFEASIBLE;
    out.results.stats = SolveStats();
    return;
  }
  f.rows.setDimensions(static_cast<int>(f.row_lb.size()), static_cast<int>(f.col_lb.size()));
  const double sign = model.sense() == TVX_MINIMIZE ? 1.0 : -1.0;

  std::lock_guard<std::mutex> lock(cbc_mutex());
  const auto started = std::chrono::steady_clock::now();
  const auto seconds_left = [&] {
    const double max_time = p.param("MaxTime");
    if (max_time >= kInfinity) return kInfinity;
    return max_time -
           std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  };
  const auto finish_stats = [&](int iterations) {
    SolveStats stats;
    stats.spx_iters = std::max(iterations, 0);
    stats.solver_time =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    out.results.stats = stats;
  };
  LogHandler handler(p.log());
  OsiClpSolverInterface lp;
  lp.passInMessageHandler(&handler);
  load(lp, f);

  Settled settled;
  try {
    const double max_time = p.param("MaxTime");
    settled = settle_relaxation(
        p, f, lp,
        max_time < 1e9 ? started + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                       std::chrono::duration<double>(max_time))
                       : std::chrono::steady_clock::time_point::max());
  } catch (const CoinError &e) {
    p.log().line("CBC failed: " + e.className() + "::" + e.methodName() + ": " + e.message());
    out.code = TVX_ERROR_ERROR;
    return;
  }
  switch (settled.kind) {
    case Settled::kBounded:
      break;
    case Settled::kUnbounded:
      p.log().line("Unbounded: a feasible point and a ray of the relaxation that it keeps.");
      out.results.status = TVX_STATUS_UNBOUNDED;
      finish_stats(0);
      return;
    case Settled::kNoPoint:
      p.log().line("Infeasible or unbounded: the relaxation is unbounded, and no point is known.");
      out.results.status = TVX_STATUS_INF_OR_UBD;
      finish_stats(0);
      return;
    case Settled::kStopped:
      out.code = settled.code;
      out.results.status = TVX_STATUS_UNKNOWN;
      finish_stats(0);
      return;
    case Settled::kGaveUp:
      p.log().line(std::string("CBC cannot solve this model safely: ") + settled.why + ".");
      out.code = TVX_ERROR_ERROR;
      return;
  }
  if (settled.unbounded) {
    // Every feasible point keeps this bound (relaxation.h), and with it every
    // node LP is bounded.
    std::vector<int> ind;
    std::vector<double> val;
    for (std::size_t j = 0; j < f.cost.size(); ++j) {
      if (f.cost[j] == 0) continue;
      ind.push_back(static_cast<int>(j));
      val.push_back(f.cost[j]);
    }
    // Exact where CLP's bound is: a looser row would be taken up by points
    // within the tolerances, and a bound of 0 then reads as an optimum below it.
    const double bound = settled.bound - 1e-9 * std::fabs(settled.bound);
    f.add_row(ind, val, bound, std::numeric_limits<double>::infinity());
    lp.addRow(static_cast<int>(ind.size()), ind.data(), val.data(), bound, lp.getInfinity());
  }
  const std::vector<double> start = complete_start(p, f, lp);

  CbcModel cbc(lp);
  SearchWatch watch;
  watch.main = &cbc;
  watch.problem = &p;
  watch.max_stalling = p.int_param("MIP/MaxStallingNodes");
  cbc.passInMessageHandler(&handler);
  cbc.setLogLevel(p.log().enabled() ? 1 : 0);
  Watcher watcher(&watch);
  cbc.passInEventHandler(&watcher);
  std::unique_ptr<CallbackSearch> search;
  if (p.context.callback != nullptr) search.reset(new CallbackSearch(p, f, lp));
  // With a callback, the start is a candidate like any other.
  configure(cbc, p, f, search ? std::vector<double>() : start, sign, seconds_left());

  try {
    if (search) {
      watch.search = search.get();
      search->attach(cbc);
      search->begin(start);
    }
    if (!p.context.stop_requested()) cbc.branchAndBound();
    if (search) search->end();
  } catch (const CoinError &e) {
    p.log().line("CBC failed: " + e.className() + "::" + e.methodName() + ": " + e.message());
    out.code = TVX_ERROR_ERROR;
    return;
  }
  // A stop asked for after the last check still ends the run as asked.
  if (p.context.stop_requested()) watch.interrupted = true;

  finish_stats(cbc.getIterationCount());
  out.nodes = std::max(cbc.getNodeCount(), 0);
  set_status(cbc, watch, out);
  // With an unbounded relaxation no point is no proof of infeasibility.
  if (settled.unbounded && out.results.status == TVX_STATUS_INFEASIBLE) {
    out.results.status = TVX_STATUS_INF_OR_UBD;
  }
  read_solution(cbc, model, sign, out.results);
}

}  // namespace

const Engine &cbc_engine() {
  static const CbcEngine engine;
  return engine;
}

}  // namespace tvx
