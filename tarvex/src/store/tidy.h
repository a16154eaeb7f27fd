// Tidying a model's solution; the caller holds the model's lock.
#ifndef TARVEX_STORE_TIDY_H
#define TARVEX_STORE_TIDY_H

#include "store/store.h"

namespace tvx {

// Makes the current point exact where a solver left it a hair off: the value
// of an integer, binary or semi-integer variable within tolerance of an
// integer becomes that integer, and the value of a semi-continuous variable
// within tolerance of 0 becomes 0, as long as the new value keeps to the
// variable's bounds (an integral variable's rounded to integers within
// tolerance, as solves take them). Row activities, the objective and the MIP gaps follow
// the change. Returns how many values changed: 0 without a point.
int tidy_integer_solution(Store &s, double tolerance);

}  // namespace tvx

#endif
