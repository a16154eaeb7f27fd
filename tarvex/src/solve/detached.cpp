#include "solve/detached.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "solve/callback.h"
#include "solve/interrupt.h"

namespace tvx {

int run_detached(Model &m, TVXmodel *handle,
                 const std::function<int(const SolveInput &, SolveContext &)> &run,
                 const std::function<void(Store &)> &keep) {
  std::unique_ptr<SolveInput> input;
  std::uint64_t revision = 0;
  TVXcallback function = nullptr;
  void *usrdata = nullptr;
  {
    std::lock_guard<std::mutex> lock(m.mutex);
    // The column view is cached in the model's store and shared with the
    // copy, so repeated solves build it once.
    m.store.columns();
    input.reset(new SolveInput{m.store, ParamValues(), std::string()});
    m.env->with([&input](const EnvSettings &s) {
      input->params = s.params;
      input->logfile = s.logfile;
    });
    revision = m.store.revision();
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
  // The copy goes before the lock is taken again.
  input.reset();
  std::lock_guard<std::mutex> lock(m.mutex);
  if (m.store.revision() == revision) keep(m.store);
  return code;
}

}  // namespace tvx
