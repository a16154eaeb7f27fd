// The dispatcher: one solve of a model copy, from the choice of engine to
// the checked answer.
//
// It classifies the problem, refuses what no engine can solve, settles
// trivial cases itself, hands the rest to the engine of its class and checks
// the answer (answer_check.h) before it is reported:
//   - semidefinite variables or rows: DSDP (not built yet);
//   - a quadratic objective with integer, semi-continuous or semi-integer
//     variables, SOS or indicators, or one that is not convex (concave for
//     a maximisation): no engine;
//   - SOS or indicators, and a MIP solved with a callback (HiGHS has no
//     hooks in its search): CBC;
//   - everything else (LP, convex QP, MIP): HiGHS. The callback's events
//     are all MIP events, so an LP or QP with a callback goes here too and
//     calls nothing.
// A refusal is ABORT_SOLVER_NOT_AVAILABLE with the reason in the log.
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
