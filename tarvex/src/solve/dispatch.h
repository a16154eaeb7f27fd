// The dispatcher: one solve of a model copy, from the choice of engine to
// the checked answer (answer_check.h). Which class goes to which engine is
// in tarvex/README.md ("Solving"); a refusal is ABORT_SOLVER_NOT_AVAILABLE
// with the reason in the log.
#ifndef TARVEX_SOLVE_DISPATCH_H
#define TARVEX_SOLVE_DISPATCH_H

#include <string>

#include "solve/context.h"
#include "solve/engine.h"

namespace tvx {

// The problem an engine sees: the model's Hessian built, and whether it is
// discrete. May throw std::bad_alloc.
Problem make_problem(const Store &model, const ParamValues &params, SolveContext &context);

// The engine of a problem's class, or why no engine takes it (refusal). The
// engine is null without a refusal only for the linear class when its engine
// is not built: the run refuses such a problem when it needs an engine.
struct EngineChoice {
  const Engine *engine = nullptr;
  std::string refusal;
};
EngineChoice choose_engine(const Problem &problem, const Engines &engines);

// Never throws: an exhausted memory is NOMEMORY with an empty result. A
// stop requested before the engine starts ends it with the stop's code.
SolveOutcome solve(const SolveInput &input, SolveContext &context,
                   const Engines &engines = built_engines());
// A solve of its own, logging to input.logfile.
SolveOutcome solve(const SolveInput &input, const Engines &engines = built_engines());

}  // namespace tvx

#endif
