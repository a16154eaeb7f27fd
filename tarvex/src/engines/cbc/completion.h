// Points of the CBC formulation completed from values given for some of its
// columns: the model's MIP start, and the solutions a callback offers.
#ifndef TARVEX_ENGINES_CBC_COMPLETION_H
#define TARVEX_ENGINES_CBC_COMPLETION_H

#include <vector>

#include <OsiRowCut.hpp>

#include "engines/cbc/formulation.h"
#include "solve/engine.h"

class OsiSolverInterface;

namespace tvx {

// given: one value per column of f, kUndefined where none is given. The
// given values are fixed (integer ones rounded to the nearest integer), the
// slacks of the indicators a given binary makes active are 0, and an LP
// over base (the formulation as loaded) and cuts (the rows a callback added)
// completes the rest. The LP meets rows within ten times
// SPX/PrimalTolerance, which CBC's own check of its points and the answer
// check (answer_check.h) both accept: fixed values leave no room to mend a
// row, and a point given within the engines' tolerances (a row off by
// 2e-7) is completed like an exact one. Empty when nothing is given, when no
// completion exists, or when it fails the model (point_violation:
// integrality of the completed columns included).
std::vector<double> complete_point(const Problem &p, const Formulation &f,
                                   const OsiSolverInterface &base, const std::vector<double> &given,
                                   const std::vector<OsiRowCut> &cuts = {});

}  // namespace tvx

#endif
