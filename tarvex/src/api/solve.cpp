// Solving, the IIS, and the callback a solve calls.
#include <memory>
#include <utility>

#include "api/c_boundary.h"
#include "core/model.h"
#include "core/registry.h"
#include "solve/callback.h"
#include "solve/snapshot_run.h"
#include "solve/dispatch.h"
#include "solve/iis.h"
#include "tarvex.h"

namespace {

// A run whose result is dropped, the model having changed meanwhile, answers
// the code its results would then be read with: NO_SOLN for a solve,
// IIS_NO_SOLN for an IIS. Neither call gives them otherwise.
int optimize(tvx::Model &m, TVXmodel *handle) {
  tvx::SolveOutcome outcome;
  return tvx::run_on_snapshot(
      m, handle,
      [&outcome](const tvx::SolveInput &input, tvx::SolveContext &context) {
        outcome = tvx::solve(input, context);
        return outcome.code;
      },
      [&outcome](tvx::Store &store) { store.set_results(std::move(outcome.results)); },
      TVX_ERROR_NO_SOLN);
}

// The IIS is added to the results already there, which describe the same
// model.
int compute_iis(tvx::Model &m, TVXmodel *handle) {
  tvx::IisOutcome outcome;
  return tvx::run_on_snapshot(
      m, handle,
      [&outcome](const tvx::SolveInput &input, tvx::SolveContext &context) {
        outcome = tvx::compute_iis(input, context);
        return outcome.code;
      },
      [&outcome](tvx::Store &store) {
        if (outcome.code != TVX_ERROR_OKAY) return;
        tvx::Results results = store.results();
        results.iis_col = std::move(outcome.col);
        results.iis_row = std::move(outcome.row);
        store.set_results(std::move(results));
      },
      TVX_ERROR_IIS_NO_SOLN);
}

// A snapshot run holds the lock only while it copies and stores, so it
// takes the model through the registry rather than under model_call. A run
// started from inside a callback on the same thread would wait for the
// search that called it: refused.
template <class F>
int snapshot_call(TVXmodel *model, F &&f) noexcept {
  return tvx::guarded([&]() -> int {
    const std::shared_ptr<tvx::Model> m = tvx::find_model(model);
    if (!m) return TVX_ERROR_INVALID_ARGUMENT;
    return tvx::inside_callback() ? TVX_ERROR_CB_INVALID_WHERE : f(*m, model);
  });
}

}  // namespace

extern "C" TVX_API int TVXoptimize(TVXmodel *model) { return snapshot_call(model, optimize); }

extern "C" TVX_API int TVXcomputeIIS(TVXmodel *model) { return snapshot_call(model, compute_iis); }

// usrdata is only handed back to cb, never looked into; without a function
// none is kept.
extern "C" TVX_API int TVXsetcallbackfunc(TVXmodel *model, TVXcallback cb, void *usrdata) {
  return tvx::model_call(model, [cb, usrdata](tvx::Model &m) {
    m.callback = cb;
    m.usrdata = cb != nullptr ? usrdata : nullptr;
    return TVX_ERROR_OKAY;
  });
}
