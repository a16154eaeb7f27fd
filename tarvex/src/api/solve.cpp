// Solving, the IIS, and the callback a solve calls.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "api/c_boundary.h"
#include "core/model.h"
#include "core/registry.h"
#include "solve/engine.h"
#include "solve/iis.h"
#include "tarvex.h"

namespace {

// The solve runs on a copy taken under the model's lock and without the
// lock (see model.h), so the engine never blocks other calls on the model
// and a callback may call back into it.
int optimize(TVXmodel *model) {
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
}

// As optimize: the search runs on a copy, without the model's lock, and its
// answer is kept only if the model did not change meanwhile. It is added to
// the results already there, which describe the same model.
int compute_iis(TVXmodel *model) {
  const std::shared_ptr<tvx::Model> m = tvx::find_model(model);
  if (!m) return TVX_ERROR_INVALID_ARGUMENT;
  std::unique_ptr<tvx::SolveInput> input;
  std::uint64_t revision = 0;
  {
    std::lock_guard<std::mutex> lock(m->mutex);
    m->store.columns();  // built once, shared with the copy
    input.reset(
        new tvx::SolveInput{m->store, tvx::ParamValues(), std::string(), m->callback != nullptr});
    m->env->with([&input](const tvx::EnvSettings &s) {
      input->params = s.params;
      input->logfile = s.logfile;
    });
    revision = m->store.revision();
  }
  tvx::IisOutcome outcome = tvx::compute_iis(*input);
  input.reset();
  if (outcome.code != TVX_ERROR_OKAY) return outcome.code;
  std::lock_guard<std::mutex> lock(m->mutex);
  if (m->store.revision() == revision) {
    tvx::Results results = m->store.results();
    results.iis_col = std::move(outcome.col);
    results.iis_row = std::move(outcome.row);
    m->store.set_results(std::move(results));
  }
  return TVX_ERROR_OKAY;
}

}  // namespace

extern "C" TVX_API int TVXoptimize(TVXmodel *model) {
  return tvx::guarded([model] { return optimize(model); });
}

extern "C" TVX_API int TVXcomputeIIS(TVXmodel *model) {
  return tvx::guarded([model] { return compute_iis(model); });
}

// usrdata is only handed back to cb, never looked into; without a function
// none is kept.
extern "C" TVX_API int TVXsetcallbackfunc(TVXmodel *model, TVXcallback cb, void *usrdata) {
  return tvx::model_call(model, [cb, usrdata](tvx::Model &m) {
    m.callback = cb;
    m.usrdata = cb != nullptr ? usrdata : nullptr;
    return TVX_ERROR_OKAY;
  });
}
