// CLP's LPs under the solve's rules. CLP's dual simplex may run for long on
// one LP, so each LP ends at the iteration after a stop request or, past
// its first iterations, the end of MaxTime. CLP's solve has interrupt
// handling of its own, which is switched off: SIGINT stays with the
// library's handler (solve/interrupt.h). Its dual tolerance is at most its
// default, beyond which the settler's rays and CLP's optima part ways.
#ifndef TARVEX_ENGINES_CBC_CLP_WATCH_H
#define TARVEX_ENGINES_CBC_CLP_WATCH_H

#include <chrono>

#include "solve/engine.h"

class OsiClpSolverInterface;

namespace tvx {

// CLP's default dual tolerance.
constexpr double kClpDualTolerance = 1e-7;

// The stop of a solve's LPs; fired tells its caller that one ended on it.
struct ClpStop {
  const SolveContext *context = nullptr;
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
  bool fired = false;  // an LP ended on it
};

// The dual tolerance CLP gets from the solve's parameters.
double clp_dual_tolerance(const Problem &p);

// Puts lp (and every copy made of it later, CBC's included) under stop,
// which must outlive them, with the tolerances of p.
void watch_lp(OsiClpSolverInterface &lp, const Problem &p, ClpStop &stop);

}  // namespace tvx

#endif
