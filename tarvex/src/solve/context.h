// What one run of the dispatcher (a solve, or an IIS search with its
// feasibility solves) shares with the engines while they run: the log, the
// request to stop, and the callback of the solve.
//
// Engines check stop_requested() at their own check points (HiGHS's
// interrupt checks, CBC's node events) and end with stop_code(), keeping an
// incumbent they have. A request may come from any thread, and from a
// signal handler: SIGINT while a run takes it (interrupt.h) stops every run
// under way with ABORT_CTRL_C, through one lock-free counter.
#ifndef TARVEX_SOLVE_CONTEXT_H
#define TARVEX_SOLVE_CONTEXT_H

#include <atomic>
#include <cstdint>
#include <string>

#include "core/log.h"
#include "tarvex.h"

namespace tvx {

class CallbackContext;  // solve/callback.h

// SIGINTs taken while a run was under way (interrupt.h); a run stops once
// the count moves past the value it started with.
std::atomic<std::uint64_t> &interrupt_count() noexcept;

class SolveContext {
 public:
  // A run logging to logfile (empty: no log). A nested run (the IIS
  // search's feasibility solves) names the run it serves as outer: it stops
  // when that one is asked to, and calls its callback.
  explicit SolveContext(const std::string &logfile, const SolveContext *outer = nullptr)
      : log(logfile),
        callback(outer != nullptr ? outer->callback : nullptr),
        outer_(outer),
        interrupts_(interrupt_count().load(std::memory_order_relaxed)) {}
  SolveContext(const SolveContext &) = delete;
  SolveContext &operator=(const SolveContext &) = delete;

  // code: what the run ends with (ABORT_CTRL_C, or what a callback
  // returned); the first request's code is kept.
  void request_stop(int code = TVX_ERROR_ABORT_CTRL_C) noexcept {
    int none = TVX_ERROR_OKAY;
    code_.compare_exchange_strong(none, code, std::memory_order_relaxed);
  }
  bool stop_requested() const noexcept {
    return code_.load(std::memory_order_relaxed) != TVX_ERROR_OKAY ||
           interrupt_count().load(std::memory_order_relaxed) != interrupts_ ||
           (outer_ != nullptr && outer_->stop_requested());
  }
  // The code a stopped run ends with.
  int stop_code() const noexcept {
    const int code = code_.load(std::memory_order_relaxed);
    if (code != TVX_ERROR_OKAY) return code;
    if (outer_ != nullptr && outer_->stop_requested()) return outer_->stop_code();
    return TVX_ERROR_ABORT_CTRL_C;
  }

  LogFile log;
  // Set for a solve with a callback, which engines call on the thread they
  // solve on; null otherwise.
  CallbackContext *callback = nullptr;

 private:
  static_assert(std::atomic<int>::is_always_lock_free, "stop requests are lock-free");
  std::atomic<int> code_{TVX_ERROR_OKAY};
  const SolveContext *outer_;
  const std::uint64_t interrupts_;
};

}  // namespace tvx

#endif
