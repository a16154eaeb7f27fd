// CLP's LPs under the solve's rules (clp_watch.h).
#include "engines/cbc/clp_watch.h"

#include <algorithm>

#include <ClpEventHandler.hpp>
#include <ClpSimplex.hpp>
#include <ClpSolve.hpp>
#include <OsiClpSolverInterface.hpp>

namespace tvx {
namespace {

// Iterations a model's LPs get before MaxTime ends them: small LPs (a
// settled relaxation, a completed start) still answer a solve that has
// no time left, as CBC's own limit lets its root LP finish.
constexpr int kIterationsBeforeMaxTime = 1000;

// Ends an LP at the iteration after a stop request, or after MaxTime once
// the model has had its iterations. Copies of a model share the stop
// through the pointer and count their own iterations from the copy on.
class StopHandler final : public ClpEventHandler {
 public:
  explicit StopHandler(ClpStop *stop) : stop_(stop) {}
  int event(Event which) override {
    if (which != endOfIteration) return -1;
    ++iterations_;
    const bool requested = stop_->context != nullptr && stop_->context->stop_requested();
    const bool late = iterations_ >= kIterationsBeforeMaxTime &&
                      std::chrono::steady_clock::now() >= stop_->deadline;
    if (!requested && !late) return -1;
    stop_->fired = true;
    return 0;
  }
  ClpEventHandler *clone() const override { return new StopHandler(*this); }

 private:
  ClpStop *stop_;
  int iterations_ = 0;
};

}  // namespace

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
