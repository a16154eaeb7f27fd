// Creating, starting and freeing environments, and their log.
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "api/c_boundary.h"
#include "core/env.h"
#include "core/registry.h"
#include "tarvex.h"

namespace {

// Appends text to a log file; the file is opened per write so that no
// descriptor outlives the environment or is shared with its models' copies.
int append_to_log(const std::string &logfile, const std::string &text) {
  // One writer at a time keeps the lines of concurrent messages whole.
  static std::mutex log_mutex;
  std::lock_guard<std::mutex> lock(log_mutex);
  std::FILE *f = std::fopen(logfile.c_str(), "ab");
  if (f == nullptr) return TVX_ERROR_FILE_WRITE_ERROR;
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const bool closed = std::fclose(f) == 0;
  return written && closed ? TVX_ERROR_OKAY : TVX_ERROR_FILE_WRITE_ERROR;
}

int create_env(TVXenv **out, const char *logfile, bool started) {
  if (out == nullptr) return TVX_ERROR_INVALID_ARGUMENT;
  *out = nullptr;
  tvx::EnvSettings settings;
  if (logfile != nullptr) settings.logfile = logfile;
  settings.started = started;
  // A log that cannot be written is reported now, not lost message by message.
  if (!settings.logfile.empty()) {
    const int rc = append_to_log(settings.logfile, "");
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
    std::string line(text);
    if (line.empty() || line.back() != '\n') line.push_back('\n');
    return append_to_log(logfile, line);
  });
}
