// One solve of a standard form (formulation.h) by DSDP, and its verdict.
//
// What DSDP needs handled (measured, see the engine notes):
//   - it keeps pointers to the data arrays it is given: they live in the
//     form, which outlives the DSDP object;
//   - its default bound on y (+-1e7) silently caps the dual objective, so
//     the bound is set from the data, and a run whose y ends near the bound
//     is made again with a wider one;
//   - it may stop with a numerical-error code on a good solution: a run is
//     judged by its duality gap and its dual infeasibility;
//   - it keeps global state (its event log, output file): the caller holds
//     dsdp_lock() around its runs;
//   - the header macros DSDPGetPrimalObjective/DSDPGetDualObjective name
//     functions the library does not export; DSDPGetPPObjective and
//     DSDPGetDDObjective are used.
#ifndef TARVEX_ENGINES_DSDP_RUN_H
#define TARVEX_ENGINES_DSDP_RUN_H

#include <chrono>
#include <mutex>
#include <vector>

#include "engines/dsdp/formulation.h"
#include "solve/engine.h"

namespace tvx {

std::mutex &dsdp_lock();

// Called by DSDP once an iteration, over every run of one solve: the log,
// the stop request, the time limit (counted from start).
struct Monitor {
  const Problem *problem = nullptr;
  std::chrono::steady_clock::time_point start;
  double max_time = 0;
  int stopped = TVX_ERROR_OKAY;  // why a run was stopped, once one was
};

// DSDP's verdict on (P), the form, as far as it can be taken at its word.
enum class Verdict {
  converged,   // gap and dual infeasibility within tolerance, both feasible
  infeasible,  // (D) unbounded
  unbounded,   // (D) infeasible
  iteration_limit,
  unsettled,  // anything else: stalled, numerical errors
  stopped,    // by the monitor (Monitor::stopped says why)
  failed,     // a DSDP call failed (error says which code)
};

struct Run {
  Verdict verdict = Verdict::failed;
  int error = 0;
  int iterations = 0;
  double pobj = 0, dobj = 0;  // of (P) and (D), without the form's constant
  std::vector<double> y, z;   // per row, per LP column
  // Per PSD variable, dim * dim row-major (zero for one left out of the
  // cone): set for a converged, stopped or unsettled run whose X was read.
  std::vector<std::vector<double>> x;
};

// The relative gap and dual infeasibility a converged run keeps to.
double accept_tolerance(const Problem &p);

// Solves form with DSDP, y bounded from the data and widened while a run
// ends near the bound. Throws std::bad_alloc only.
Run run_form(const Problem &p, const SdpForm &form, Monitor &monitor);

// One zero matrix per PSD variable.
std::vector<std::vector<double>> zero_matrices(const SdpForm &form);

}  // namespace tvx

#endif
