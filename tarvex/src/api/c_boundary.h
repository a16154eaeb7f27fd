// The C boundary: every exported function is one call of these helpers, so
// no body can let an exception out (a std::bad_alloc becomes NOMEMORY, any
// other exception the generic failure) or skip the handle check, and every
// function that returns a status forgets the last failure's detail first.
#ifndef TARVEX_API_C_BOUNDARY_H
#define TARVEX_API_C_BOUNDARY_H

#include <memory>

#include "core/env.h"
#include "core/model.h"
#include "core/registry.h"
#include "core/status.h"
#include "solve/callback.h"
#include "tarvex.h"

namespace tvx {

// f() returns a status. The call starts without the detail of an earlier
// failure (core/status.h).
template <class F>
int guarded(F &&f) noexcept {
  clear_error_detail();
  try {
    return f();
  } catch (...) {
    return current_exception_status();
  }
}

// For the functions whose result is not a status (a handle, a text):
// on_failure when f throws.
template <class T, class F>
T guarded_value(T on_failure, F &&f) noexcept {
  try {
    return f();
  } catch (...) {
    return on_failure;
  }
}

// f(Model &) with the model's lock held (see core/model.h).
template <class F>
int model_call(const TVXmodel *handle, F &&f) noexcept {
  return guarded([&] { return with_model(handle, f); });
}

// f(Env &) on a live environment; the environment's own lock is f's to
// take (Env::with), since most calls need it only for a moment.
template <class F>
int env_call(const TVXenv *handle, F &&f) noexcept {
  return guarded([&] {
    const std::shared_ptr<Env> env = find_env(handle);
    return env ? f(*env) : TVX_ERROR_INVALID_ARGUMENT;
  });
}

// f(CallbackCall &) on the running call cbdata stands for, one TVXcb* call
// at a time; INVALID_ARGUMENT for a cbdata that is unknown or whose call
// has returned.
template <class F>
int callback_call(const void *cbdata, F &&f) noexcept {
  return guarded([&]() -> int {
    const std::shared_ptr<CallbackCall> call = find_callback(cbdata);
    if (!call) return TVX_ERROR_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(call->mutex);
    return call->site != nullptr ? f(*call) : TVX_ERROR_INVALID_ARGUMENT;
  });
}

}  // namespace tvx

#endif
