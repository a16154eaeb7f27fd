// The exported whole-model operations: resetting, tidying the MIP point,
// name lookups, callback registration and the IIS.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "solve/engine.h"
#include "solve/iis.h"
#include "core/model.h"
#include "store/model_ops.h"
#include "core/registry.h"
#include "core/status.h"
#include "tarvex.h"

namespace {

double model_param(tvx::Model &m, const char *name) {
  const int index = tvx::find_param(name);
  return m.env->with([index](const tvx::EnvSettings &s) {
    return s.params.value[static_cast<std::size_t>(index)];
  });
}

// A name no element can carry (not UTF-8) is simply not found.
int lookup(TVXmodel *model, const char *name, int *index,
           const tvx::NameTable &(*names)(const tvx::Store &)) {
  return tvx::with_model(model, [&](tvx::Model &m) {
    if (name == nullptr || index == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    *index = tvx::valid_name(name) ? names(m.store).find(name) : -1;
    return TVX_ERROR_OKAY;
  });
}

}  // namespace

extern "C" TVX_API int TVXreset(TVXmodel *model, int clearall) {
  try {
    return tvx::with_model(model, [clearall](tvx::Model &m) {
      if (clearall != 0 && clearall != 1) return TVX_ERROR_INVALID_ARGUMENT;
      m.store.clear_results();
      if (clearall == 1) {
        m.store.clear_start_basis();
        for (int j = 0; j < m.store.num_vars(); ++j) m.store.set_var_start(j, tvx::kUndefined);
      }
      return TVX_ERROR_OKAY;
    });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXcleanupmilp(TVXmodel *model, int *result) {
  try {
    return tvx::with_model(model, [result](tvx::Model &m) {
      if (result == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
      *result = tvx::tidy_integer_solution(m.store, model_param(m, "MIP/IntegerTolerance"));
      return TVX_ERROR_OKAY;
    });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXgetvarbyname(TVXmodel *model, const char *name, int *index) {
  try {
    return lookup(model, name, index,
                  [](const tvx::Store &s) -> const tvx::NameTable & { return s.vars().names; });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

// Linear and PSD rows share one index space and one name table.
extern "C" TVX_API int TVXgetconstrbyname(TVXmodel *model, const char *name, int *index) {
  try {
    return lookup(model, name, index,
                  [](const tvx::Store &s) -> const tvx::NameTable & { return s.rows().names; });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

// usrdata is only handed back to cb, never looked into; without a function
// none is kept.
extern "C" TVX_API int TVXsetcallbackfunc(TVXmodel *model, TVXcallback cb, void *usrdata) {
  try {
    return tvx::with_model(model, [cb, usrdata](tvx::Model &m) {
      m.callback = cb;
      m.usrdata = cb != nullptr ? usrdata : nullptr;
      return TVX_ERROR_OKAY;
    });
  } catch (...) {
    return tvx::current_exception_status();
  }
}

// As TVXoptimize: the search runs on a copy, without the model's lock, and
// its answer is kept only if the model did not change meanwhile. It is added
// to the results already there, which describe the same model.
extern "C" TVX_API int TVXcomputeIIS(TVXmodel *model) {
  try {
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
  } catch (...) {
    return tvx::current_exception_status();
  }
}
