// The step TVXoptimize and TVXcomputeIIS share: the run works on a snapshot
// of the model taken under its lock and runs without the lock (see
// core/model.h), so the engine never blocks other calls on the model and a
// callback may call back into it; its results are stored only if the model
// did not change meanwhile.
#ifndef TARVEX_SOLVE_SNAPSHOT_RUN_H
#define TARVEX_SOLVE_SNAPSHOT_RUN_H

#include <functional>

#include "core/model.h"
#include "solve/context.h"
#include "solve/engine.h"

namespace tvx {

// run(input, context) solves without the lock and returns the status;
// keep(store) then runs under the lock, only when store.revision() has not
// moved since the snapshot was taken (a change made meanwhile already emptied
// the result slots, which results of the old problem must not fill again).
// The context lives for the whole run: the place for a stop request and the
// model's callback (called with handle, the model's own). The run takes
// SIGINT (interrupt.h).
// Returns the run's status; but a run whose result is dropped because the
// model changed meanwhile returns discarded in place of OKAY or of a stop
// (an ABORT_* limit or request, which would keep an incumbent), so that no
// caller takes it for a solve with results, and says so in the log. A failed
// run keeps its own code.
int run_on_snapshot(Model &m, TVXmodel *handle,
                    const std::function<int(const SolveInput &, SolveContext &)> &run,
                    const std::function<void(Store &)> &keep, int discarded);

}  // namespace tvx

#endif
