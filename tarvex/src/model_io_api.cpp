// The exported functions for model files.
#include <memory>
#include <utility>

#include "model.h"
#include "model_io.h"
#include "registry.h"
#include "status.h"
#include "tarvex.h"

// The file is read with no lock held: the model is registered only once it
// is complete, so a failed read leaves no model behind.
extern "C" TVX_API int TVXreadmodel(TVXenv *env, const char *filename, TVXmodel **model) {
  try {
    if (model != nullptr) *model = nullptr;
    const std::shared_ptr<tvx::Env> e = tvx::find_env(env);
    if (!e || filename == nullptr || model == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    tvx::EnvSettings settings = e->snapshot();
    if (!settings.started) return TVX_ERROR_INVALID_ARGUMENT;
    auto m = std::make_shared<tvx::Model>();
    const int rc = tvx::read_model_file(filename, m->store);
    if (rc != TVX_ERROR_OKAY) return rc;
    m->env = std::make_shared<tvx::Env>(std::move(settings));
    *model = tvx::register_model(std::move(m));
    return TVX_ERROR_OKAY;
  } catch (...) {
    return tvx::current_exception_status();
  }
}
