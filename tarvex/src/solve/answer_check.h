// The check of an engine's answer: a point is reported only once it keeps to
// the model's bounds, types, rows, SOS and indicators, and its PSD matrices
// are positive semidefinite, within tolerances looser than the engines' own,
// so that only a real fault is caught.
#ifndef TARVEX_SOLVE_ANSWER_CHECK_H
#define TARVEX_SOLVE_ANSWER_CHECK_H

#include <string>
#include <vector>

#include "solve/engine.h"

namespace tvx {

// Empty when x (one value per variable) satisfies the model's bounds, types,
// rows, SOS and indicators; else what it violates. The rows' PSD terms count
// as 0: for models without PSD variables.
std::string point_violation(const Problem &p, const std::vector<double> &x);

// Completes an engine's outcome: checks the point it reports (a point that
// fails turns the status to UNKNOWN, and an OPTIMAL into a numerical error)
// and derives what every engine would compute the same way: row
// activities (PSD terms included), the objective and dual objective where
// missing (the dual objective of a PSD model only its engine gives), the
// MIP gaps. A model with PSD variables needs a matrix for each in psd_x.
// A point worse than the cutoff is not reported.
void check_answer(const Problem &p, SolveOutcome &out);

}  // namespace tvx

#endif
