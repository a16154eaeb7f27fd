// Creating, copying, freeing and resetting models, and tidying their
// solution.
#include <memory>
#include <mutex>
#include <utility>

#include "api/c_boundary.h"
#include "core/model.h"
#include "core/registry.h"
#include "store/tidy.h"
#include "store/params.h"
#include "tarvex.h"

namespace {

int new_model(TVXenv *env, TVXmodel **model, const char *name, int numvars, const double *obj,
              const double *lb, const double *ub, const char *vtype, const char **varnames) {
  if (model != nullptr) *model = nullptr;
  const std::shared_ptr<tvx::Env> e = tvx::find_env(env);
  if (!e || model == nullptr || numvars < 0) return TVX_ERROR_INVALID_ARGUMENT;
  // One snapshot both decides and seeds the model's own environment.
  tvx::EnvSettings settings = e->snapshot();
  if (!settings.started) return TVX_ERROR_INVALID_ARGUMENT;
  if (!tvx::valid_name(name)) return TVX_ERROR_MODEL_INPUT_ERROR;
  auto m = std::make_shared<tvx::Model>();
  if (name != nullptr) m->edit().set_name(name);
  const int rc =
      m->edit().add_vars(numvars, 0, nullptr, nullptr, nullptr, obj, lb, ub, vtype, varnames);
  if (rc != TVX_ERROR_OKAY) return rc;
  m->env = std::make_shared<tvx::Env>(std::move(settings));
  *model = tvx::register_model(std::move(m));
  return TVX_ERROR_OKAY;
}

TVXmodel *copy_model(TVXmodel *model) {
  const std::shared_ptr<tvx::Model> source = tvx::find_model(model);
  if (!source) return nullptr;
  std::shared_ptr<tvx::Model> copy;
  {
    std::lock_guard<std::mutex> lock(source->mutex);
    copy = std::make_shared<tvx::Model>(source->store());
    copy->env = std::make_shared<tvx::Env>(*source->env);
  }
  return tvx::register_model(std::move(copy));
}

double model_param(tvx::Model &m, const char *name) {
  const int index = tvx::find_param(name);
  return m.env->with(
      [index](const tvx::EnvSettings &s) { return s.params.value[tvx::to_size(index)]; });
}

}  // namespace

extern "C" TVX_API int TVXnewmodel(TVXenv *env, TVXmodel **model, const char *name, int numvars,
                                   const double *obj, const double *lb, const double *ub,
                                   const char *vtype, const char **varnames) {
  return tvx::guarded(
      [=] { return new_model(env, model, name, numvars, obj, lb, ub, vtype, varnames); });
}

// The copy has the source's data and settings, no results and no callback.
extern "C" TVX_API TVXmodel *TVXcopymodel(TVXmodel *model) {
  return tvx::guarded_value<TVXmodel *>(nullptr, [model] { return copy_model(model); });
}

extern "C" TVX_API int TVXfreemodel(TVXmodel *model) {
  return tvx::guarded([model] { return tvx::unregister_model(model); });
}

extern "C" TVX_API TVXenv *TVXgetenv(TVXmodel *model) {
  return tvx::guarded_value<TVXenv *>(nullptr, [model]() -> TVXenv * {
    // Fixed at registration: no lock needed.
    const std::shared_ptr<tvx::Model> m = tvx::find_model(model);
    return m ? m->env_handle : nullptr;
  });
}

extern "C" TVX_API int TVXreset(TVXmodel *model, int clearall) {
  return tvx::model_call(model, [clearall](tvx::Model &m) {
    if (clearall != 0 && clearall != 1) return TVX_ERROR_INVALID_ARGUMENT;
    tvx::Store &s = m.edit();
    s.clear_results();
    if (clearall == 1) {
      s.clear_start_basis();
      for (int j = 0; j < s.num_vars(); ++j) s.set_var_start(j, tvx::kUndefined);
    }
    return TVX_ERROR_OKAY;
  });
}

extern "C" TVX_API int TVXcleanupmilp(TVXmodel *model, int *result) {
  return tvx::model_call(model, [result](tvx::Model &m) {
    if (result == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    *result = tvx::tidy_integer_solution(m.edit(), model_param(m, "MIP/IntegerTolerance"));
    return TVX_ERROR_OKAY;
  });
}
