// Creating, starting and freeing environments, and their log.
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "api/c_boundary.h"
#include "core/env.h"
#include "core/log.h"
#include "core/registry.h"
#include "tarvex.h"

namespace {

int create_env(TVXenv **out, const char *logfile, bool started) {
  if (out == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
  *out = nullptr;
  tvx::EnvSettings settings;
  if (logfile != nullptr) settings.logfile = logfile;
  settings.started = started;
  // A log that cannot be written is reported now, not lost message by message.
  if (!settings.logfile.empty()) {
    const int rc = tvx::LogFile(settings.logfile).close();
    if (rc != TVX_ERROR_OKAY) return rc;
  }
  *out = tvx::register_env(std::make_shared<tvx::Env>(std::move(settings)));
  return TVX_ERROR_OKAY;
}

}  // namespace

extern "C" TVX_API int TVXemptyenv(TVXenv **env) {
  return tvx::guarded([=] { return create_env(env, nullptr, false); });
}

extern "C" TVX_API int TVXloadenv(TVXenv **env, const char *logfilename) {
  return tvx::guarded([=] { return create_env(env, logfilename, true); });
}

extern "C" TVX_API int TVXstartenv(TVXenv *env) {
  return tvx::env_call(env, [](tvx::Env &e) {
    e.with([](tvx::EnvSettings &s) { s.started = true; });
    return TVX_ERROR_OKAY;
  });
}

extern "C" TVX_API int TVXfreeenv(TVXenv *env) {
  return tvx::guarded([=] { return tvx::unregister_env(env); });
}

extern "C" TVX_API int TVXmsg(TVXenv *env, const char *text) {
  return tvx::env_call(env, [text](tvx::Env &e) -> int {
    if (text == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
    const std::string logfile = e.with([](const tvx::EnvSettings &s) { return s.logfile; });
    if (logfile.empty()) return TVX_ERROR_OKAY;
    tvx::LogFile log(logfile);
    const std::string_view message(text);
    if (!message.empty() && message.back() == '\n') {
      log.write(message);
    } else {
      log.line(message);
    }
    return log.close();
  });
}
