// The DSDP engine: models with PSD variables or rows, every variable
// continuous and the objective linear (the dispatcher refuses the rest).
// The model goes to DSDP in the standard form of formulation.h.
//
// What DSDP needs handled (measured, see the engine notes):
//   - it keeps pointers to the data arrays it is given: they live in one
//     SdpForm that outlives the DSDP object;
//   - its default bound on y (+-1e7) silently caps the dual objective, so
//     the bound is set from the data, and a run whose y ends near the bound
//     is made again with a wider one;
//   - it may stop with a numerical-error code on a good solution: a run is
//     judged by its duality gap and its dual infeasibility, and the point is
//     checked by the dispatcher (answer_check.h) like any engine's;
//   - it keeps global state (its event log, output file), so runs of all
//     models take one lock;
//   - the header macros DSDPGetPrimalObjective/DSDPGetDualObjective name
//     functions the library does not export; DSDPGetPPObjective and
//     DSDPGetDDObjective are used.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "engines/dsdp/formulation.h"
#include "solve/engine.h"
#include "store/psd_matrix.h"

extern "C" {
#include <dsdp/dsdp5.h>
}

namespace tvx {
namespace {

using Clock = std::chrono::steady_clock;

std::mutex &dsdp_lock() {
  static std::mutex lock;
  return lock;
}

struct DsdpFree {
  void operator()(DSDP dsdp) const { DSDPDestroy(dsdp); }
};
using DsdpHandle = std::unique_ptr<std::remove_pointer_t<DSDP>, DsdpFree>;

// Called by DSDP once an iteration: the log, the stop request, the time
// limit. A stop ends the run with DSDP_USER_TERMINATION; stopped says why.
struct Monitor {
  const Problem *problem = nullptr;
  Clock::time_point start;
  double max_time = 0;
  int stopped = TVX_ERROR_OKAY;
};

int on_iteration(DSDP dsdp, void *data) {
  Monitor &m = *static_cast<Monitor *>(data);
  const Problem &p = *m.problem;
  if (p.log().enabled()) {
    int its = 0;
    double pobj = 0, dobj = 0, r = 0;
    DSDPGetIts(dsdp, &its);
    DSDPGetPPObjective(dsdp, &pobj);
    DSDPGetDDObjective(dsdp, &dobj);
    DSDPGetR(dsdp, &r);
    try {
      char text[160];
      std::snprintf(text, sizeof text, "DSDP %4d  primal %-14.8g dual %-14.8g infeasibility %.2e",
                    its, pobj, dobj, r);
      p.log().line(text);
    } catch (...) {
      // A lost log line is not worth unwinding through DSDP.
    }
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - m.start).count();
  if (p.context.stop_requested()) {
    m.stopped = p.context.stop_code();
  } else if (elapsed > m.max_time) {
    m.stopped = TVX_ERROR_ABORT_TIME_LIMIT;
  }
  if (m.stopped != TVX_ERROR_OKAY) DSDPSetConvergenceFlag(dsdp, DSDP_USER_TERMINATION);
  return 0;
}

// What one run of DSDP gave.
struct Run {
  int failed = 0;  // a DSDP call's error, 0 when none
  DSDPTerminationReason reason = CONTINUE_ITERATING;
  DSDPSolutionType type = DSDP_PDUNKNOWN;
  int iterations = 0;
  double pobj = 0, dobj = 0, r = 0;
  double errors[6] = {0, 0, 0, 0, 0, 0};
  std::vector<double> y, z;            // per row, per LP column
  std::vector<std::vector<double>> x;  // per block, dim * dim row-major
  int stopped = TVX_ERROR_OKAY;        // the monitor's reason to stop
};

// The largest |y_i| the run may reach before it is made again with a wider
// bound, as a share of the bound.
constexpr double kNearBound = 0.1;
// How much wider each new run's bound is: four orders of magnitude, so one
// more run usually clears a y that the data's scale put past the first.
constexpr double kWiderBound = 1e4;
// Runs at most. Each is a whole solve, and the last bound, 1e12 times the
// first, lies far past any y the data's magnitude explains; a run still near
// it is kept as it is, for set_status and the answer check to judge.
constexpr int kMaxRuns = 4;

// One zero matrix per PSD variable: the value of those the cone leaves out.
std::vector<std::vector<double>> zero_matrices(const SdpForm &form) {
  std::vector<std::vector<double>> x;
  for (const int dim : form.block_dim) x.emplace_back(to_size(dim) * to_size(dim), 0.0);
  return x;
}

// DSDP's iteration limit when IPM/MaxIterations allows more (its default,
// INT_MAX, means no limit): far above the tens of iterations a run takes,
// so a run that stalls without DSDP noticing still ends.
constexpr int kMaxIterations = 100000;

// The tightest relative gap DSDP is asked for: IPM/GapTolerance goes down to
// 1e-12, which HiGHS's interior point takes.
constexpr double kMinGapTolerance = 1e-10;
// A run counts as converged when its gap and dual infeasibility are within
// ten times IPM/GapTolerance, and need never be closer than this: about the
// accuracy DSDP's points were measured to have.
constexpr double kMinAcceptTolerance = 1e-6;

// The cones of one DSDP object, null when the form has none of that kind.
struct Cones {
  SDPCone sdp = nullptr;
  LPCone lp = nullptr;
};

int cone_dim(const SdpForm &form, int block) {
  return form.block_dim[to_size(form.cone_var[to_size(block)])];
}

int num_blocks(const SdpForm &form) { return int_size(form.cone_var); }

// Keeps the first error of a DSDP call in run.failed; true when info is one.
bool failed(Run &run, int info) {
  if (info != 0 && run.failed == 0) run.failed = info;
  return info != 0;
}

// Gives DSDP (P): b, the blocks and their matrices, the LP cone. Every array
// DSDP is given lives in form, which outlives the DSDP object.
bool load(DSDP dsdp, const SdpForm &form, Cones &cones, Run &run) {
  for (int i = 1; i <= form.num_rows; ++i) {
    if (failed(run, DSDPSetDualObjective(dsdp, i, form.b[to_size(i - 1)]))) return false;
  }
  const int blocks = num_blocks(form);
  if (blocks > 0) {
    if (failed(run, DSDPCreateSDPCone(dsdp, blocks, &cones.sdp))) return false;
    for (int k = 0; k < blocks; ++k) {
      if (failed(run, SDPConeSetBlockSize(cones.sdp, k, cone_dim(form, k)))) return false;
    }
    for (const SdpMatrix &m : form.matrices) {
      if (failed(run,
                 SDPConeSetASparseVecMat(cones.sdp, m.block, m.vari, cone_dim(form, m.block), 1.0,
                                         0, m.index.data(), m.value.data(), int_size(m.index)))) {
        return false;
      }
    }
  }
  if (form.num_lp > 0) {
    if (failed(run, DSDPCreateLPCone(dsdp, &cones.lp)) ||
        failed(run, LPConeSetData(cones.lp, form.num_lp, form.lp_beg.data(), form.lp_index.data(),
                                  form.lp_value.data()))) {
      return false;
    }
  }
  return true;
}

// Runs DSDP with y bounded by +-ybound, under the parameters and the monitor.
bool solve(DSDP dsdp, const Problem &p, double ybound, Monitor &monitor, Run &run) {
  const int max_its = std::max(1, std::min(p.int_param(Param::IPM_MaxIterations), kMaxIterations));
  const double gap = std::max(kMinGapTolerance, p.param(Param::IPM_GapTolerance));
  if (failed(run, DSDPSetYBounds(dsdp, -ybound, ybound)) ||
      failed(run, DSDPSetMaxIts(dsdp, max_its)) || failed(run, DSDPSetGapTolerance(dsdp, gap)) ||
      failed(run, DSDPSetMonitor(dsdp, on_iteration, &monitor)) || failed(run, DSDPSetup(dsdp)) ||
      failed(run, DSDPSolve(dsdp))) {
    return false;
  }
  run.stopped = monitor.stopped;
  return true;
}

// X of every block, from DSDP's packed lower triangle into the full matrix
// of its PSD variable.
void read_x(SDPCone sdp, const SdpForm &form, Run &run) {
  run.x = zero_matrices(form);
  for (int k = 0; k < num_blocks(form); ++k) {
    double *packed = nullptr;
    int n = 0;
    if (failed(run, SDPConeGetXArray(sdp, k, &packed, &n))) return;
    const std::size_t dim = to_size(cone_dim(form, k));
    if (packed == nullptr || to_size(n) < dim * (dim + 1) / 2) {
      run.failed = -1;
      return;
    }
    std::vector<double> &full = run.x[to_size(form.cone_var[to_size(k)])];
    for (std::size_t r = 0; r < dim; ++r) {
      for (std::size_t c = 0; c <= r; ++c) {
        full[r * dim + c] = full[c * dim + r] = packed[r * (r + 1) / 2 + c];
      }
    }
  }
}

// What a finished run gave: its verdict and objectives, y, and for a
// feasible (P) the point, X and z.
void read_back(DSDP dsdp, const SdpForm &form, const Cones &cones, Run &run) {
  DSDPStopReason(dsdp, &run.reason);
  // X, and the verdict on (P) and (D) with it, come from DSDPComputeX (which
  // may then report a numerical error of its own as the stop reason).
  if (failed(run, DSDPComputeX(dsdp))) return;
  DSDPGetSolutionType(dsdp, &run.type);
  DSDPGetIts(dsdp, &run.iterations);
  DSDPGetPPObjective(dsdp, &run.pobj);
  DSDPGetDDObjective(dsdp, &run.dobj);
  DSDPGetR(dsdp, &run.r);
  DSDPGetFinalErrors(dsdp, run.errors);
  run.y.assign(to_size(form.num_rows), 0.0);
  if (form.num_rows > 0 && failed(run, DSDPGetY(dsdp, run.y.data(), form.num_rows))) return;
  if (run.type == DSDP_UNBOUNDED || run.type == DSDP_INFEASIBLE) return;
  read_x(cones.sdp, form, run);
  if (run.failed != 0 || cones.lp == nullptr) return;
  double *z = nullptr;
  int n = 0;
  if (failed(run, LPConeGetXArray(cones.lp, &z, &n))) return;
  if (z == nullptr || n < form.num_lp) {
    run.failed = -1;
    return;
  }
  run.z.assign(z, z + form.num_lp);
}

// Sets up (P) in DSDP and solves it, y bounded by +-ybound.
Run run_dsdp(const Problem &p, const SdpForm &form, double ybound, Monitor &monitor) {
  Run run;
  DSDP raw = nullptr;
  if ((run.failed = DSDPCreate(form.num_rows, &raw)) != 0) return run;
  const DsdpHandle dsdp(raw);
  Cones cones;
  if (load(raw, form, cones, run) && solve(raw, p, ybound, monitor, run)) {
    read_back(raw, form, cones, run);
  }
  return run;
}

bool near_bound(const Run &run, double ybound) {
  for (double y : run.y) {
    if (std::fabs(y) >= kNearBound * ybound) return true;
  }
  return false;
}

// A finished run: DSDP's own verdict for an infeasible or unbounded (P);
// else the gap between its objectives and its dual infeasibility, since its
// stop code may report a numerical error on a good solution.
void set_status(const Problem &p, const Run &run, double cost_scale, SolveOutcome &out) {
  Results &r = out.results;
  if (run.stopped != TVX_ERROR_OKAY) {
    out.code = run.stopped;
    r.status = TVX_STATUS_SUB_OPTIMAL;  // the iterate, if the answer check takes it
    return;
  }
  if (run.type == DSDP_UNBOUNDED) {  // (D) unbounded: (P), the model, infeasible
    r.status = TVX_STATUS_INFEASIBLE;
    return;
  }
  if (run.type == DSDP_INFEASIBLE) {  // (D) infeasible: the model unbounded
    r.status = TVX_STATUS_UNBOUNDED;
    return;
  }
  const double gap =
      std::fabs(run.pobj - run.dobj) / (1 + std::fabs(run.pobj) + std::fabs(run.dobj));
  const double tolerance = std::max(kMinAcceptTolerance, 10 * p.param(Param::IPM_GapTolerance));
  // r: how far (D) is from feasible, in the units of its data.
  const bool converged = gap <= tolerance && std::fabs(run.r) <= tolerance * (1 + cost_scale);
  if (converged && run.type == DSDP_PDFEASIBLE) {
    r.status = TVX_STATUS_OPTIMAL;
  } else if (run.reason == DSDP_MAX_IT) {
    out.code = TVX_ERROR_ABORT_ITERATION_LIMIT;
    r.status = TVX_STATUS_SUB_OPTIMAL;
  } else {
    out.code = TVX_ERROR_INTERIOR_NUMERIC;
    r.status = TVX_STATUS_SUB_OPTIMAL;
  }
}

// The point, the row duals and reduced costs in the model's terms, and the
// dual objective; the dispatcher adds activities and the objective.
void set_results(const Problem &p, const SdpForm &form, const Run &run, SolveOutcome &out) {
  Results &r = out.results;
  const Store &model = p.model;
  const double sign = form.maximize ? -1.0 : 1.0;
  if (r.status != TVX_STATUS_OPTIMAL && r.status != TVX_STATUS_SUB_OPTIMAL) return;
  if (run.x.size() != form.block_dim.size() || run.z.size() != to_size(form.num_lp)) return;
  r.x = model_point(form, run.z.data(), run.x);
  r.psd_x = run.x;
  if (r.status != TVX_STATUS_OPTIMAL) return;
  // y is the dual of the minimised form; the model's dual is d(objective)/d(side).
  const std::vector<double> full = full_duals(form, run.y.data());
  std::vector<double> dual(to_size(model.num_rows()), 0.0);
  for (int i = 0; i < model.num_rows(); ++i)
    dual[to_size(i)] = sign * full[to_size(form.row_of[to_size(i)])];
  std::vector<double> rc(model.vars().obj);
  for (int i = 0; i < model.num_rows(); ++i) {
    for (int e = 0; e < model.rows().terms.length(i); ++e) {
      rc[to_size(model.rows().terms.index(i)[e])] -=
          model.rows().terms.value(i)[e] * dual[to_size(i)];
    }
  }
  r.dual = std::move(dual);
  r.reduced_cost = std::move(rc);
  r.dual_obj = sign * (run.dobj + form.constant);
}

// A form without rows: every column and PSD variable at 0 (the form found
// whether the model is unbounded instead).
Run run_without_rows(const SdpForm &form) {
  Run run;
  run.reason = DSDP_CONVERGED;
  run.type = DSDP_PDFEASIBLE;
  run.x = zero_matrices(form);
  run.z.assign(to_size(form.num_lp), 0.0);
  return run;
}

// A variable in no row whose cost can fall without bound makes a feasible
// model unbounded; the solve of the rest said whether it is feasible.
void settle_unused(const Problem &p, const SdpForm &form, SolveOutcome &out) {
  Results &r = out.results;
  if (!form.unbounded_if_feasible || r.status != TVX_STATUS_OPTIMAL) return;
  p.log().line("Unbounded: " + form.why + ".");
  const SolveStats stats = r.stats.value_or(SolveStats());
  r = Results();
  r.status = TVX_STATUS_UNBOUNDED;
  r.stats = stats;
}

// The data DSDP solves right, measured: with row coefficients or sides of
// 1e8 (a scaled trace row, a trace of 1e8) it ends "converged" on a point
// far from optimal, or calls a bounded model unbounded; with costs from
// 1e21 on it fails numerically.
constexpr double kDsdpLargestCoefficient = 1e7;
constexpr double kDsdpLargestCost = 1e20;

class DsdpEngine final : public Engine {
 public:
  const char *name() const override { return "DSDP"; }
  void solve(const Problem &p, SolveOutcome &out) const override;
  DataLimits limits() const override {
    DataLimits limits;
    limits.coefficient = kDsdpLargestCoefficient;
    limits.cost = kDsdpLargestCost;
    limits.side = kDsdpLargestCoefficient;
    return limits;
  }
};

void DsdpEngine::solve(const Problem &p, SolveOutcome &out) const {
  const auto started = Clock::now();
  const SdpForm form = sdp_form(p.model);
  if (form.infeasible) {
    p.log().line("Infeasible: " + form.why + ".");
    out.results.status = TVX_STATUS_INFEASIBLE;
    out.results.stats = SolveStats();
    return;
  }
  if (form.num_rows == 0) {
    const Run run = run_without_rows(form);
    out.results.stats = SolveStats();
    set_status(p, run, 0, out);
    set_results(p, form, run, out);
    settle_unused(p, form, out);
    return;
  }
  p.log().line("DSDP form: " + std::to_string(form.num_rows) + " rows, " +
               std::to_string(form.block_dim.size()) + " blocks, " + std::to_string(form.num_lp) +
               " LP columns.");
  Monitor monitor;
  monitor.problem = &p;
  // The clock runs from the start of the solve, the wait for dsdp_lock
  // included: MaxTime bounds the time the caller waits for an answer, so a
  // solve that waited its limit out behind another model's stops at the
  // monitor's first call.
  monitor.start = started;
  monitor.max_time = p.param(Param::MaxTime);
  // y stays within a few orders of the data's magnitude at an optimum; the
  // bound leaves room, and grows when a run ends near it.
  double ybound = 1e7 * std::max({1.0, largest_cost(form), largest_side(form)});
  Run run;
  const std::lock_guard<std::mutex> hold(dsdp_lock());
  for (int runs = 1;; ++runs) {
    run = run_dsdp(p, form, ybound, monitor);
    const bool feasible = run.failed == 0 && run.stopped == TVX_ERROR_OKAY &&
                          run.type != DSDP_UNBOUNDED && run.type != DSDP_INFEASIBLE;
    if (!feasible || !near_bound(run, ybound) || runs == kMaxRuns) break;
    ybound *= kWiderBound;
    p.log().line("DSDP ended near its bound on y; solving again with a wider one.");
  }
  SolveStats stats;
  stats.ipm_iters = run.iterations;
  stats.solver_time = std::chrono::duration<double>(Clock::now() - started).count();
  out.results.stats = stats;
  if (run.failed != 0) {
    p.log().line("DSDP failed (its error " + std::to_string(run.failed) + ").");
    out.code = TVX_ERROR_INTERIOR_NUMERIC;
    return;
  }
  p.log().line("DSDP stopped with reason " + std::to_string(static_cast<int>(run.reason)) +
               ", solution type " + std::to_string(static_cast<int>(run.type)) + ".");
  set_status(p, run, largest_cost(form), out);
  set_results(p, form, run, out);
  settle_unused(p, form, out);
}

}  // namespace

const Engine &dsdp_engine() {
  static const DsdpEngine engine;
  return engine;
}

}  // namespace tvx
