// The environment: parameters and log settings.
#ifndef TARVEX_CORE_ENV_H
#define TARVEX_CORE_ENV_H

#include <mutex>
#include <string>

#include "store/params.h"

namespace tvx {

struct EnvSettings {
  std::string logfile;  // empty: no log
  // An environment made by TVXemptyenv takes no model until it is started.
  bool started = false;
  ParamValues params;
};

// A model copies its environment's settings whole on creation, so a model
// never depends on the environment it was created in. The lock lets a solve
// read its model's settings while another thread changes them.
struct Env {
  Env() = default;
  explicit Env(EnvSettings settings) : settings_(std::move(settings)) {}
  Env(const Env &other) : settings_(other.snapshot()) {}
  Env &operator=(const Env &) = delete;

  EnvSettings snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return settings_;
  }

  // Runs f(settings) under the lock and returns its result.
  template <class F>
  auto with(F &&f) {
    std::lock_guard<std::mutex> lock(mutex_);
    return f(settings_);
  }
  template <class F>
  auto with(F &&f) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return f(static_cast<const EnvSettings &>(settings_));
  }

 private:
  mutable std::mutex mutex_;
  EnvSettings settings_;
};

}  // namespace tvx

#endif
