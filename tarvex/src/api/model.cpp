// Creating, copying and freeing models.
#include "core/model.h"

#include <memory>
#include <mutex>
#include <utility>

#include "core/registry.h"
#include "core/status.h"
#include "tarvex.h"

extern "C" TVX_API int TVXnewmodel(TVXenv *env, TVXmodel **model, const char *name, int numvars,
                                   const double *obj, const double *lb, const double *ub,
                                   const char *vtype, const char **varnames) {
  try {
    if (model != nullptr) *model = nullptr;
    const std::shared_ptr<tvx::Env> e = tvx::find_env(env);
    if (!e || model == nullptr || numvars < 0) return TVX_ERROR_INVALID_ARGUMENT;
    // One snapshot both decides and seeds the model's own environment.
    tvx::EnvSettings settings = e->snapshot();
    if (!settings.started) return TVX_ERROR_INVALID_ARGUMENT;
    if (!tvx::valid_name(name)) return TVX_ERROR_MODEL_INPUT_ERROR;
    auto m = std::make_shared<tvx::Model>();
    if (name != nullptr) m->store.set_name(name);
    const int rc =
        m->store.add_vars(numvars, 0, nullptr, nullptr, nullptr, obj, lb, ub, vtype, varnames);
    if (rc != TVX_ERROR_OKAY) return rc;
    m->env = std::make_shared<tvx::Env>(std::move(settings));
    *model = tvx::register_model(std::move(m));
    return TVX_ERROR_OKAY;
  } catch (...) {
    return tvx::current_exception_status();
  }
}

// The copy has the source's data and settings, no results and no callback.
extern "C" TVX_API TVXmodel *TVXcopymodel(TVXmodel *model) {
  try {
    const std::shared_ptr<tvx::Model> source = tvx::find_model(model);
    if (!source) return nullptr;
    std::shared_ptr<tvx::Model> copy;
    {
      std::lock_guard<std::mutex> lock(source->mutex);
      copy = std::make_shared<tvx::Model>(source->store);
      copy->env = std::make_shared<tvx::Env>(*source->env);
    }
    return tvx::register_model(std::move(copy));
  } catch (...) {
    return nullptr;
  }
}

extern "C" TVX_API int TVXfreemodel(TVXmodel *model) {
  try {
    return tvx::unregister_model(model);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API TVXenv *TVXgetenv(TVXmodel *model) {
  try {
    // Fixed at registration: no lock needed.
    const std::shared_ptr<tvx::Model> m = tvx::find_model(model);
    return m ? m->env_handle : nullptr;
  } catch (...) {
    return nullptr;
  }
}
