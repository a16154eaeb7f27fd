// Points of the CBC formulation completed from values given for some of its
// columns: the model's MIP start, and the solutions a callback offers.
#ifndef TARVEX_ENGINES_CBC_COMPLETION_H
#define TARVEX_ENGINES_CBC_COMPLETION_H

#include <vector>

#include "engines/cbc/formulation.h"
#include "solve/engine.h"

class OsiSolverInterface;

namespace tvx {

// given: one value per column of f, kUndefined where none is given. The
// given values are fixed (integer ones rounded to the nearest integer), the
// slacks of the indicators a given binary makes active are 0, and an LP
// over base (the formulation as loaded) completes the rest. Empty when
// nothing is given, when no completion exists, or when it fails the model
// (point_violation: integrality of the completed columns included).
std::vector<double> complete_point(const Problem &p, const Formulation &f,
                                   const OsiSolverInterface &base,
                                   const std::vector<double> &given);

}  // namespace tvx

#endif
