// What an engine is handed, prepared once by the dispatcher for every engine,
// the CBC settler and the IIS search's solves alike:
//   - the bounds of integral variables (integer, binary, semi-integer, and
//     the variable of an indicator) rounded inward to integers, within the
//     integrality tolerance: engines differ on fractional ones, and CBC
//     aborts on them. The model's own values stay as the user set them;
//   - the data checked against the limits of the engine chosen (DataLimits).
#ifndef TARVEX_SOLVE_PREPARE_H
#define TARVEX_SOLVE_PREPARE_H

#include <memory>
#include <string>

#include "solve/engine.h"
#include "store/store.h"

namespace tvx {

class PreparedModel {
 public:
  // tolerance: how far from an integer a bound may be and still count as
  // that integer. May throw std::bad_alloc.
  PreparedModel(const Store &model, double tolerance);

  // The model with rounded bounds: model itself when no bound moved.
  const Store &model() const { return rounded_ ? *rounded_ : model_; }
  // Why no point can exist: an integer or binary variable with no integer
  // within its bounds; "" when each has one. A semi-integer one is left 0.
  const std::string &no_integer() const { return no_integer_; }

 private:
  const Store &model_;
  std::unique_ptr<Store> rounded_;
  std::string no_integer_;
};

// The factor, a power of two (so exact), by which CBC and HiGHS are handed
// row i of model: one that brings its largest coefficient to 1 where that
// lies further than 1024 from 1 either way, else 1. They judge points
// against rows with absolute tolerances, too tight for rows of large
// coefficients (optima were lost with rows scaled by 1e7) and too loose for
// rows of tiny ones (rows of 1e-8 lost their meaning). Duals scale back by
// the same factor.
double row_scale(const Store &model, int i);

// The first value of p's data at or beyond limits, named with the engine
// that has them; "" when all are within.
std::string beyond_limits(const Problem &p, const DataLimits &limits, const std::string &engine);

}  // namespace tvx

#endif
