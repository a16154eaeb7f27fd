// Creating, starting and freeing environments.
#include "env.h"

#include <memory>

#include "registry.h"
#include "status.h"
#include "tarvex.h"

namespace {

int create_env(TVXenv **out, const char *logfile, bool started) {
  if (out == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
  *out = nullptr;
  auto env = std::make_shared<tvx::Env>();
  if (logfile != nullptr) env->logfile = logfile;
  env->started = started;
  *out = tvx::register_env(std::move(env));
  return TVX_ERROR_OKAY;
}

}  // namespace

extern "C" TVX_API int TVXemptyenv(TVXenv **env) {
  try {
    return create_env(env, nullptr, false);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXloadenv(TVXenv **env, const char *logfilename) {
  try {
    return create_env(env, logfilename, true);
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXstartenv(TVXenv *env) {
  try {
    const std::shared_ptr<tvx::Env> e = tvx::find_env(env);
    if (!e) return TVX_ERROR_INVALID_ARGUMENT;
    e->started = true;
    return TVX_ERROR_OKAY;
  } catch (...) {
    return tvx::current_exception_status();
  }
}

extern "C" TVX_API int TVXfreeenv(TVXenv *env) {
  try {
    return tvx::unregister_env(env);
  } catch (...) {
    return tvx::current_exception_status();
  }
}
