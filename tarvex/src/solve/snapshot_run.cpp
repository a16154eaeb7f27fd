#include "solve/snapshot_run.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "core/status.h"
#include "solve/callback.h"
#include "solve/interrupt.h"

namespace tvx {

namespace {

// The codes of a run that stopped early with what it had found.
bool stopped(int code) {
  return code <= TVX_ERROR_ABORT_ITERATION_LIMIT && code >= TVX_ERROR_ABORT_SOLUTION_LIMIT;
}

}  // namespace

int run_on_snapshot(Model &m, TVXmodel *handle,
                    const std::function<int(const SolveInput &, SolveContext &)> &run,
                    const std::function<void(Store &)> &keep, int discarded) {
  std::unique_ptr<SolveInput> input;
  std::uint64_t revision = 0;
  TVXcallback function = nullptr;
  void *usrdata = nullptr;
  {
    std::lock_guard<std::mutex> lock(m.mutex);
    // Built under the lock: the snapshot's lazy parts must not be built
    // while other threads read it. The view stays cached in the model's
    // store, so repeated solves build it once.
    m.trim();
    m.store().columns();
    input.reset(new SolveInput{m.snapshot(), ParamValues(), std::string()});
    m.env->with([&input](const EnvSettings &s) {
      input->params = s.params;
      input->logfile = s.logfile;
    });
    revision = m.store().revision();
    function = m.callback;
    usrdata = m.usrdata;
  }
  int code;
  {
    InterruptGuard interrupts;
    SolveContext context(input->logfile);
    std::unique_ptr<CallbackContext> callback;
    if (function != nullptr) {
      callback.reset(new CallbackContext(function, usrdata, handle, context));
      context.callback = callback.get();
    }
    code = run(*input, context);
  }
  // The share goes before the lock is taken again, so keeping the results
  // does not copy the store.
  const std::string logfile = input->logfile;
  input.reset();
  {
    std::lock_guard<std::mutex> lock(m.mutex);
    if (m.store().revision() == revision) {
      keep(m.edit());
      return code;
    }
  }
  if (code != TVX_ERROR_OKAY && !stopped(code)) return code;
  LogFile(logfile).line("The model was changed during the run: its result is discarded.");
  return fail_with(discarded,
                   "the model was changed while this call ran, so its result was discarded");
}

}  // namespace tvx
