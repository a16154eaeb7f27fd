// The LP relaxation of a formulation, settled before CBC sees it. CBC and
// CLP cannot search from an unbounded relaxation: CBC's heuristics spin,
// CLP's dual simplex aborts at a node or takes the LP for infeasible, and
// CBC takes an unbounded root for infeasible or optimal. So a formulation whose relaxation is
// unbounded is split on its sets until each part either has a bounded relaxation, has none, or
// holds a ray that no set cuts off:
//   - a ray that breaks a set (two members no point of the set may have
//     nonzero together) splits the part in two, one member fixed at 0 in
//     each;
//   - a ray that every set allows: the part restricted to the ray's windows
//     is searched for a feasible point (objective 0, so every node LP is
//     bounded). A point there makes the model unbounded (with rational data
//     an integer point and a ray of the LP give integer points along it);
//     without one, the rest of the part is split so that each piece fixes
//     at 0 a member the ray needs.
// Every feasible point of the model lies in some part, so the least bound
// of the bounded parts bounds the objective of every point: the search
// then runs on the formulation with that bound as a row, whose node LPs are
// all bounded. A model without sets is one part.
//
// A relaxation is unbounded when its recession cone holds a ray whose slope
// (the cost it gains per unit of the largest move, in the box |d| <= 1)
// exceeds the dual tolerance; CLP's own verdict is not taken, as its dual
// simplex calls such rays optimal at 1e20 and its scaling magnifies the
// cost of a column of tiny coefficients. A ray within the tolerance leaves
// the relaxation bounded by the optimum of the unscaled LP, which the
// search gets as its row too, with its LPs unscaled.
#ifndef TARVEX_ENGINES_CBC_RELAXATION_H
#define TARVEX_ENGINES_CBC_RELAXATION_H

#include "engines/cbc/clp_watch.h"
#include "engines/cbc/formulation.h"
#include "solve/engine.h"

class OsiClpSolverInterface;

namespace tvx {

struct Settled {
  enum Kind {
    kBounded,    // search on; with unbounded set, after adding the bound row
    kUnbounded,  // a feasible point and a ray
    kNoPoint,    // unbounded relaxation, no feasible point found
    kStopped,    // a stop request or the time limit: code
    kGaveUp,     // CLP gave no answer, or too many parts: why
  };
  Kind kind = kBounded;
  bool unbounded = false;  // the relaxation was, or has a ray within the dual tolerance
  double bound = 0;        // kBounded with unbounded: objective >= bound at every point
  bool unscaled = false;   // kBounded: CLP's scaling turns a ray within the tolerance into one
  int code = 0;
  const char *why = "";
};

// lp: the formulation f as loaded (minimising), under stop (clp_watch.h),
// whose deadline is when MaxTime runs out.
Settled settle_relaxation(const Problem &p, const Formulation &f, const OsiClpSolverInterface &lp,
                          const ClpStop &stop);

}  // namespace tvx

#endif
