// Irreducible inconsistent subsystems: the members of a subsystem are the
// variables' bounds and the rows' sides; a candidate, when one is cheap to
// find, then a deletion filter whose every question is a feasibility solve
// of the dispatcher. The search is described in tarvex/README.md.
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
