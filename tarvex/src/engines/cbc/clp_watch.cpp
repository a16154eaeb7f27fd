// CLP's LPs under the solve's rules (clp_watch.h).
#include "engines/cbc/clp_watch.h"

#include <algorithm>

#include <ClpEventHandler.hpp>
#include <ClpSimplex.hpp>
#include <ClpSolve.hpp>
#include <OsiClpSolverInterface.hpp>

namespace tvx {
namespace {

// Ends an LP at the iteration after the stop is due. Copies of a model
// share the stop through the pointer.
class StopHandler final : public ClpEventHandler {
 public:
  explicit StopHandler(ClpStop *stop) : stop_(stop) {}
  int event(Event which) override {
    if (which != endOfIteration || !stop_->due()) return -1;
    stop_->fired = true;
    return 0;
  }
  ClpEventHandler *clone() const override { return new StopHandler(*this); }

 private:
  ClpStop *stop_;
};

}  // namespace

bool ClpStop::due() const {
  return (context != nullptr && context->stop_requested()) ||
         std::chrono::steady_clock::now() >= deadline;
}

double clp_dual_tolerance(const Problem &p) {
  return std::min(p.param(Param::SPX_DualTolerance), kClpDualTolerance);
}

void watch_lp(OsiClpSolverInterface &lp, const Problem &p, ClpStop &stop) {
  ClpSolve options;
  options.setSpecialOption(2, 1);  // no interrupt handling of its own
  lp.setSolveOptions(options);
  lp.setDblParam(OsiPrimalTolerance, p.param(Param::SPX_PrimalTolerance));
  lp.setDblParam(OsiDualTolerance, clp_dual_tolerance(p));
  StopHandler handler(&stop);
  lp.getModelPtr()->passInEventHandler(&handler);  // keeps a clone
}

}  // namespace tvx
