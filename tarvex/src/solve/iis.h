// Irreducible inconsistent subsystems.
//
// The members of a subsystem are the elements that restrict the model: a
// variable through its bounds (a binary through its implicit [0, 1] too) and
// a row through its sides. Relaxing a member frees it entirely: bounds to
// infinite, a binary to a general integer, a semi-continuous variable to a
// continuous one, a semi-integer one to a general integer. Integrality, SOS
// and indicator constraints are never relaxed: they belong to the background
// every subsystem is judged against. The objective plays no part, so a
// model whose objective no engine can take (a quadratic one with integers)
// still gets its IIS.
//
// The search keeps the invariant that the members still enforced are
// infeasible together, and ends when relaxing any one of them would make the
// rest feasible:
//   1. a candidate set, when one is cheap to find: a member infeasible on
//      its own (a variable with lb > ub, a row with lhs > rhs, an empty row
//      that excludes 0), or, for an LP, the linear engine's own IIS
//      (Engine::iis_candidate). The candidate is
//      kept only when the model restricted to it is infeasible;
//   2. a deletion filter over the candidate (or over every member when
//      there is none): members are relaxed a block at a time, and a block
//      whose relaxation leaves the rest infeasible is dropped for good; a
//      block that makes it feasible is split, down to single members, which
//      are then known to be needed. A member kept this way stays needed,
//      since every later drop only relaxes the rest further.
// Each feasibility question is a solve of the dispatcher (dispatch.h) with a
// zero objective, so every problem class an engine serves is covered, MIP
// included; a class no engine serves fails with the dispatcher's code.
#ifndef TARVEX_SOLVE_IIS_H
#define TARVEX_SOLVE_IIS_H

#include <vector>

#include "solve/context.h"
#include "solve/dispatch.h"
#include "solve/engine.h"

namespace tvx {

struct IisOptions {
  // Ask the linear engine for a candidate when the model is an LP; off, the
  // deletion filter does all the work.
  bool engine_candidate = true;
};

struct IisOutcome {
  // OKAY with an IIS; IIS_FEASIBLE; the ABORT_* code of a limit (MaxTime
  // bounds the whole search); IIS_NUMERIC when a feasibility question got no
  // clear answer; the dispatcher's code when it refused the model.
  int code = TVX_ERROR_OKAY;
  // With OKAY: one entry per variable and per row, 1 in the IIS, else 0.
  std::vector<int> col, row;
  int solves = 0;  // feasibility solves made
};

// Never throws: an exhausted memory is NOMEMORY. The search logs to
// context's log and ends with ABORT_CTRL_C when a stop is requested.
IisOutcome compute_iis(const SolveInput &input, SolveContext &context,
                       const Engines &engines = built_engines(),
                       const IisOptions &options = IisOptions());
// A search of its own, logging to input.logfile.
IisOutcome compute_iis(const SolveInput &input, const Engines &engines = built_engines(),
                       const IisOptions &options = IisOptions());

}  // namespace tvx

#endif
