// Solving: the step every engine implements, and the dispatcher around it.
//
// A solve works on a SolveInput, a copy of the model and its settings taken
// under the model's lock, so that no engine ever runs with a lock held. The
// dispatcher (solve) classifies the problem, refuses what no engine can
// solve, settles trivial cases itself, hands the rest to the engine of its
// class and checks the answer before it is reported:
//   - semidefinite variables or rows: DSDP (not built yet);
//   - a quadratic objective with integer, semi-continuous or semi-integer
//     variables, SOS or indicators, or one that is not convex (concave for
//     a maximisation): no engine;
//   - a MIP (SOS and indicators included) solved with a callback: none yet,
//     callbacks during a search are not built;
//   - SOS or indicators: CBC;
//   - everything else (LP, convex QP, MIP): HiGHS. The callback's events
//     are all MIP events, so an LP or QP with a callback goes here too.
// A refusal is ABORT_SOLVER_NOT_AVAILABLE with the reason in the log.
//
// Engines see the store's data as received; they map a bound of magnitude
// TVX_INFINITY or more to infinite themselves (finite_or_inf).
#ifndef TARVEX_ENGINE_H
#define TARVEX_ENGINE_H

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "store/params.h"
#include "store/store.h"
#include "tarvex.h"

namespace tvx {

// Everything a solve needs, copied from the model under its lock.
struct SolveInput {
  Store model;  // the problem; a copy carries no results
  ParamValues params;
  std::string logfile;    // empty: no log
  bool callback = false;  // a callback is registered for this solve
};

// The quadratic part of the objective as 1/2 x'Hx, H symmetric, stored as
// its lower triangle by columns. A stored term (i, j, v) means v * x_i * x_j:
// it adds v to H_ij and to H_ji, so 2v to H_ii. Equal positions are summed
// and entries that cancel are dropped, so an empty Hessian means a linear
// objective.
struct Hessian {
  std::vector<int> start;  // num_vars + 1 entries, or none when empty
  std::vector<int> index;  // rows, each >= its column, ascending per column
  std::vector<double> value;
  bool empty() const { return value.empty(); }
};

Hessian build_hessian(const QTerms &terms, int num_vars);
// Whether sign * H is positive semidefinite, within a tolerance relative to
// H's largest entry. A minimisation needs sign 1, a maximisation -1.
bool positive_semidefinite(const Hessian &h, double sign);

// The environment's log file, opened for appending for one solve. Writes
// from several engine threads keep their lines whole; when there is no log
// file, or it cannot be opened, every write is dropped (a solve never fails
// for its log).
class SolveLog {
 public:
  explicit SolveLog(const std::string &path);
  bool enabled() const { return file_ != nullptr; }
  // Text as given (engine messages carry their own line ends).
  void write(const char *text);
  void line(const std::string &text);

 private:
  struct Closer {
    void operator()(std::FILE *f) const { std::fclose(f); }
  };
  std::mutex mutex_;
  std::unique_ptr<std::FILE, Closer> file_;
};

// The problem as an engine sees it.
struct Problem {
  const Store &model;
  const ParamValues &params;
  SolveLog &log;
  Hessian hessian;
  bool discrete = false;  // any variable other than continuous, SOS or indicators

  // A parameter's value by its canonical name.
  double param(const char *name) const;
  int int_param(const char *name) const { return static_cast<int>(param(name)); }
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

// One engine: problem in, outcome out. solve may throw std::bad_alloc; it
// leaves no engine state behind either way.
class Engine {
 public:
  virtual ~Engine() = default;
  virtual const char *name() const = 0;
  virtual void solve(const Problem &problem, SolveOutcome &out) const = 0;
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
// The engines built into the library.
Engines built_engines();

// value mapped to +-infinity when its magnitude is TVX_INFINITY or more.
double finite_or_inf(double value);

// Empty when x (one value per variable) satisfies the model's bounds, types,
// rows, SOS and indicators within the answer check's tolerances; else what
// it violates.
std::string point_violation(const Problem &p, const std::vector<double> &x);

// Classifies, dispatches and checks as the file comment says. Never throws:
// an exhausted memory is NOMEMORY with an empty result.
SolveOutcome solve(const SolveInput &input, const Engines &engines = built_engines());

}  // namespace tvx

#endif
