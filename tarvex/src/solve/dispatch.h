// The dispatcher: one solve of a model copy, from the choice of engine to
// the checked answer (answer_check.h). Which class goes to which engine is
// in tarvex/README.md ("Solving"); a refusal is ABORT_SOLVER_NOT_AVAILABLE
// with the reason in the log.
#ifndef TARVEX_SOLVE_DISPATCH_H
#define TARVEX_SOLVE_DISPATCH_H

#include "solve/context.h"
#include "solve/engine.h"

namespace tvx {

// Never throws: an exhausted memory is NOMEMORY with an empty result. A
// stop requested before the engine starts ends it with the stop's code.
SolveOutcome solve(const SolveInput &input, SolveContext &context,
                   const Engines &engines = built_engines());
// A solve of its own, logging to input.logfile.
SolveOutcome solve(const SolveInput &input, const Engines &engines = built_engines());

}  // namespace tvx

#endif
