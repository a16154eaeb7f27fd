// The runs of run.h.
#include "engines/dsdp/run.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <type_traits>

extern "C" {
#include <dsdp/dsdp5.h>
}

namespace tvx {
namespace {

using Clock = std::chrono::steady_clock;

struct DsdpFree {
  void operator()(DSDP dsdp) const { DSDPDestroy(dsdp); }
};
using DsdpHandle = std::unique_ptr<std::remove_pointer_t<DSDP>, DsdpFree>;

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

// What one DSDP object gave, in DSDP's terms.
struct Raw {
  Run run;
  DSDPTerminationReason reason = CONTINUE_ITERATING;
  DSDPSolutionType type = DSDP_PDUNKNOWN;
  double r = 0;  // (D)'s infeasibility
  // DSDPGetFinalErrors: [0] is |A(X) - b| / (1 + |b|), how far X is from
  // meeting the rows.
  double errors[6] = {0, 0, 0, 0, 0, 0};
  bool stopped = false;
};

// The largest |y_i| the run may reach before it is made again with a wider
// bound, as a share of the bound.
constexpr double kNearBound = 0.1;
// How much wider each new run's bound is: four orders of magnitude, so one
// more run usually clears a y that the data's scale put past the first.
constexpr double kWiderBound = 1e4;
// Runs at most. Each is a whole solve, and the last bound, 1e12 times the
// first, lies far past any y the data's magnitude explains; a run still near
// it is kept as it is, for its verdict and the answer check to judge.
constexpr int kMaxRuns = 4;

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

// Keeps the first error of a DSDP call in run.error; true when info is one.
bool failed(Run &run, int info) {
  if (info != 0 && run.error == 0) run.error = info;
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
bool solve(DSDP dsdp, const Problem &p, double ybound, Monitor &monitor, Raw &raw) {
  const int max_its = std::max(1, std::min(p.int_param(Param::IPM_MaxIterations), kMaxIterations));
  const double gap = std::max(kMinGapTolerance, p.param(Param::IPM_GapTolerance));
  Run &run = raw.run;
  if (failed(run, DSDPSetYBounds(dsdp, -ybound, ybound)) ||
      failed(run, DSDPSetMaxIts(dsdp, max_its)) || failed(run, DSDPSetGapTolerance(dsdp, gap)) ||
      failed(run, DSDPSetMonitor(dsdp, on_iteration, &monitor)) || failed(run, DSDPSetup(dsdp)) ||
      failed(run, DSDPSolve(dsdp))) {
    return false;
  }
  raw.stopped = monitor.stopped != TVX_ERROR_OKAY;
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
      run.error = -1;
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
void read_back(DSDP dsdp, const SdpForm &form, const Cones &cones, Raw &raw) {
  Run &run = raw.run;
  DSDPStopReason(dsdp, &raw.reason);
  // X, and the verdict on (P) and (D) with it, come from DSDPComputeX (which
  // may then report a numerical error of its own as the stop reason).
  if (failed(run, DSDPComputeX(dsdp))) return;
  DSDPGetSolutionType(dsdp, &raw.type);
  DSDPGetIts(dsdp, &run.iterations);
  DSDPGetPPObjective(dsdp, &run.pobj);
  DSDPGetDDObjective(dsdp, &run.dobj);
  DSDPGetR(dsdp, &raw.r);
  DSDPGetFinalErrors(dsdp, raw.errors);
  run.y.assign(to_size(form.num_rows), 0.0);
  if (form.num_rows > 0 && failed(run, DSDPGetY(dsdp, run.y.data(), form.num_rows))) return;
  if (raw.type == DSDP_UNBOUNDED || raw.type == DSDP_INFEASIBLE) return;
  read_x(cones.sdp, form, run);
  if (run.error != 0 || cones.lp == nullptr) return;
  double *z = nullptr;
  int n = 0;
  if (failed(run, LPConeGetXArray(cones.lp, &z, &n))) return;
  if (z == nullptr || n < form.num_lp) {
    run.error = -1;
    return;
  }
  run.z.assign(z, z + form.num_lp);
}

// Sets up (P) in DSDP and solves it, y bounded by +-ybound.
Raw run_once(const Problem &p, const SdpForm &form, double ybound, Monitor &monitor) {
  Raw raw;
  DSDP dsdp = nullptr;
  if ((raw.run.error = DSDPCreate(form.num_rows, &dsdp)) != 0) return raw;
  const DsdpHandle hold(dsdp);
  Cones cones;
  if (load(dsdp, form, cones, raw.run) && solve(dsdp, p, ybound, monitor, raw)) {
    read_back(dsdp, form, cones, raw);
  }
  return raw;
}

bool near_bound(const Run &run, double ybound) {
  return std::any_of(run.y.begin(), run.y.end(),
                     [ybound](double y) { return std::fabs(y) >= kNearBound * ybound; });
}

// DSDP's own verdict for an infeasible or unbounded (P); else the gap
// between its objectives and its dual infeasibility, since its stop code may
// report a numerical error on a good solution.
// tr X + sum z: what (D)'s infeasibility r costs the dual bound per unit.
double size(const SdpForm &form, const Run &run) {
  double sum = 0;
  for (std::size_t k = 0; k < run.x.size(); ++k) {
    const auto dim = to_size(form.block_dim[k]);
    for (std::size_t i = 0; i < dim; ++i) sum += run.x[k][i * dim + i];
  }
  for (double z : run.z) sum += z;
  return sum;
}

Verdict verdict(const Problem &p, const SdpForm &form, const Raw &raw) {
  const Run &run = raw.run;
  if (run.error != 0) return Verdict::failed;
  if (raw.stopped) return Verdict::stopped;
  if (raw.type == DSDP_UNBOUNDED) return Verdict::infeasible;
  if (raw.type == DSDP_INFEASIBLE) return Verdict::unbounded;
  // y bounds the objective of every point of (P) from below only up to
  // r (tr X + sum z): when (D) has no feasible point, DSDP ends with r stuck
  // above 0 and X as large as its own bound, so the gap counts that term.
  const double r = std::fabs(raw.r);
  const double gap = (std::fabs(run.pobj - run.dobj) + r * size(form, run)) /
                     (1 + std::fabs(run.pobj) + std::fabs(run.dobj));
  const double tolerance = accept_tolerance(p);
  // r in the units of the data; X may miss the rows when (D) has no
  // interior, however small the gap.
  const bool converged =
      gap <= tolerance && r <= tolerance * (1 + largest_cost(form)) && raw.errors[0] <= tolerance;
  if (converged && raw.type == DSDP_PDFEASIBLE) return Verdict::converged;
  return raw.reason == DSDP_MAX_IT ? Verdict::iteration_limit : Verdict::unsettled;
}

}  // namespace

std::mutex &dsdp_lock() {
  static std::mutex lock;
  return lock;
}

double accept_tolerance(const Problem &p) {
  return std::max(kMinAcceptTolerance, 10 * p.param(Param::IPM_GapTolerance));
}

std::vector<std::vector<double>> zero_matrices(const SdpForm &form) {
  std::vector<std::vector<double>> x;
  for (const int dim : form.block_dim) x.emplace_back(to_size(dim) * to_size(dim), 0.0);
  return x;
}

Run run_form(const Problem &p, const SdpForm &form, Monitor &monitor) {
  // y stays within a few orders of the data's magnitude at an optimum; the
  // bound leaves room, and grows when a run ends near it.
  double ybound = 1e7 * std::max({1.0, largest_cost(form), largest_side(form)});
  int iterations = 0;
  for (int runs = 1;; ++runs) {
    Raw raw = run_once(p, form, ybound, monitor);
    iterations += raw.run.iterations;
    const bool feasible = raw.run.error == 0 && !raw.stopped && raw.type != DSDP_UNBOUNDED &&
                          raw.type != DSDP_INFEASIBLE;
    if (feasible && near_bound(raw.run, ybound) && runs < kMaxRuns) {
      ybound *= kWiderBound;
      p.log().line("DSDP ended near its bound on y; solving again with a wider one.");
      continue;
    }
    if (raw.run.error != 0) {
      p.log().line("DSDP failed (its error " + std::to_string(raw.run.error) + ").");
    } else {
      p.log().line("DSDP stopped with reason " + std::to_string(static_cast<int>(raw.reason)) +
                   ", solution type " + std::to_string(static_cast<int>(raw.type)) +
                   ", primal infeasibility " + std::to_string(raw.errors[0]) + ".");
    }
    raw.run.verdict = verdict(p, form, raw);
    raw.run.iterations = iterations;
    return std::move(raw.run);
  }
}

}  // namespace tvx
