// TVXoptimize: the solve runs on a copy taken under the model's lock and
// without the lock (see model.h), so the engine never blocks other calls on
// the model and a callback may call back into it.
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>

#include "solve/engine.h"
#include "core/model.h"
#include "core/registry.h"
#include "core/status.h"
#include "tarvex.h"

extern "C" TVX_API int TVXoptimize(TVXmodel *model) {
  try {
    const std::shared_ptr<tvx::Model> m = tvx::find_model(model);
    if (!m) return TVX_ERROR_INVALID_ARGUMENT;
    std::unique_ptr<tvx::SolveInput> input;
    std::uint64_t revision = 0;
    {
      std::lock_guard<std::mutex> lock(m->mutex);
      // The column view is cached in the model's store and shared with the
      // copy, so repeated solves build it once.
      m->store.columns();
      input.reset(
          new tvx::SolveInput{m->store, tvx::ParamValues(), std::string(), m->callback != nullptr});
      m->env->with([&input](const tvx::EnvSettings &s) {
        input->params = s.params;
        input->logfile = s.logfile;
      });
      revision = m->store.revision();
    }
    tvx::SolveOutcome outcome = tvx::solve(*input);
    input.reset();
    {
      std::lock_guard<std::mutex> lock(m->mutex);
      // A change made meanwhile already emptied the slots; results of the
      // old problem must not fill them again.
      if (m->store.revision() == revision) m->store.set_results(std::move(outcome.results));
    }
    return outcome.code;
  } catch (...) {
    return tvx::current_exception_status();
  }
}
