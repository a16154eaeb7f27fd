// What the files of the HiGHS engine share. HiGHS is used through its C API
// only: it is built with another C++ ABI, so nothing but C types and opaque
// pointers passes between it and us, and no exception of ours may unwind
// through it.
#ifndef TARVEX_ENGINES_HIGHS_HIGHS_H
#define TARVEX_ENGINES_HIGHS_HIGHS_H

#include <atomic>
#include <memory>
#include <type_traits>
#include <vector>

#include "interfaces/highs_c_api.h"
#include "solve/engine.h"

namespace tvx {

// The store's int arrays go to HiGHS as they are.
static_assert(std::is_same<HighsInt, int>::value, "HiGHS must use 32-bit indices");

struct HighsFree {
  void operator()(void *highs) const { Highs_destroy(highs); }
};
using HighsHandle = std::unique_ptr<void, HighsFree>;

// A new HiGHS instance, quiet from its first option on (HiGHS would print
// option messages to the console otherwise); null when it refuses to be
// quiet. Throws std::bad_alloc when HiGHS cannot create one.
HighsHandle new_quiet_highs();

// What HiGHS reports through its callback while it runs, and asks at its
// interrupt checks.
struct Listener {
  SolveContext *context = nullptr;
  std::atomic<int> improving{0};  // improving MIP solutions found
};

// Sends HiGHS's events to listener and starts its interrupt checks, where a
// stop request of listener's context ends the run; false when HiGHS refused.
// Logging and the other events are the caller's to start.
bool listen(void *highs, Listener &listener);

// The rows' sides as HiGHS takes them.
struct RowBounds {
  std::vector<double> lower, upper;
};
RowBounds row_bounds_of(const Store &model);

class HighsEngine final : public Engine {
 public:
  const char *name() const override { return "HiGHS"; }
  void solve(const Problem &p, SolveOutcome &out) const override;
  DataLimits limits() const override;
  std::vector<IisMember> iis_candidate(const Store &lp, SolveContext &context,
                                       double time_limit) const override;
};

}  // namespace tvx

#endif
