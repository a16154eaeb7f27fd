// The engine interface: what the dispatcher (dispatch.h) and the IIS search
// (iis.h) know of an engine, and all an engine knows of them.
//
// Engines see the store's data as received, but for the bounds of integral
// variables, which the dispatcher rounds to integers (prepare.h); they map a
// bound of magnitude TVX_INFINITY or more to infinite themselves
// (finite_or_inf).
#ifndef TARVEX_SOLVE_ENGINE_H
#define TARVEX_SOLVE_ENGINE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/numeric.h"
#include "solve/context.h"
#include "solve/hessian.h"
#include "store/params.h"
#include "store/store.h"
#include "tarvex.h"

namespace tvx {

// Everything a solve needs, taken from the model under its lock.
struct SolveInput {
  // The problem: a snapshot shared with the model (core/model.h), which no
  // one changes while it is held.
  std::shared_ptr<const Store> problem;
  ParamValues params;
  std::string logfile;  // empty: no log

  const Store &model() const { return *problem; }
};

// The problem as an engine sees it.
struct Problem {
  const Store &model;
  const ParamValues &params;
  SolveContext &context;
  Hessian hessian;
  bool discrete = false;  // any variable other than continuous, SOS or indicators

  LogFile &log() const { return context.log; }
  double param(Param id) const { return params[id]; }
  int int_param(Param id) const { return static_cast<int>(params[id]); }
};

// What a solve reports. Engines fill code, the status and the slots of
// results they know, nodes and the engine's own times; the dispatcher adds
// row activities, the objective and the dual objective where missing, the
// gaps, the answer check and the total time.
struct SolveOutcome {
  int code = TVX_ERROR_OKAY;  // OKAY, an ABORT_* code or an error
  Results results;
  std::int64_t nodes = 0;  // branch-and-bound nodes, for a MIP
};

// An element of a subsystem (iis.h): a variable's bounds or a row's sides.
struct IisMember {
  bool var;
  int index;
};

// The magnitudes from which an engine mishandles a model's data (takes it
// for infinite, aborts, or answers wrongly): a model with a value this large
// or larger is refused before the engine sees it (prepare.h).
struct DataLimits {
  double coefficient = kInf;  // of rows (PSD terms too), indicator rows, the Hessian
  double cost = kInf;         // objective costs, PSD objective matrices
  double side = kInf;         // finite row sides and variable bounds
  // Not a refusal: a semi-continuous or semi-integer variable whose range
  // excludes 0 and reaches beyond this goes to another engine.
  double semi_far_bound = kInf;
};

// One engine: problem in, outcome out. solve may throw std::bad_alloc; it
// leaves no engine state behind either way.
class Engine {
 public:
  virtual ~Engine() = default;
  virtual const char *name() const = 0;
  virtual void solve(const Problem &problem, SolveOutcome &out) const = 0;
  virtual DataLimits limits() const { return DataLimits(); }
  // An infeasible subsystem (not always irreducible) the engine finds on its
  // own for an LP (every variable continuous; no SOS, indicators or PSD elements),
  // within time_limit seconds, to seed the IIS search; none when it has no
  // such search, finds nothing, or stops on context's request.
  virtual std::vector<IisMember> iis_candidate(const Store &lp, SolveContext &context,
                                               double time_limit) const;
};

// The engine of each problem class; the dispatcher refuses a class whose
// engine is null.
struct Engines {
  const Engine *linear = nullptr;         // LP, convex QP, MIP
  const Engine *combinatorial = nullptr;  // SOS, indicators, MIP with a callback
  const Engine *semidefinite = nullptr;   // PSD variables or rows
};

const Engine &highs_engine();
const Engine &cbc_engine();
const Engine &dsdp_engine();
// The engines built into the library.
Engines built_engines();

}  // namespace tvx

#endif
