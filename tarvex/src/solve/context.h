// What one run of the dispatcher (a solve, or an IIS search with its
// feasibility solves) shares with the engines while they run: the log, the
// request to stop, and the callback of the solve.
//
// Engines check stop_requested() at their own check points (HiGHS's
// interrupt checks, CBC's node events) and end with ABORT_CTRL_C, keeping
// an incumbent they have. A request may come from any thread, and from a
// signal handler: it is one lock-free atomic store.
#ifndef TARVEX_SOLVE_CONTEXT_H
#define TARVEX_SOLVE_CONTEXT_H

#include <atomic>
#include <string>

#include "core/log.h"

namespace tvx {

struct CallbackContext;  // the callback solve's side, registered per callback

class SolveContext {
 public:
  // A run logging to logfile (empty: no log). A nested run (the IIS
  // search's feasibility solves) names the run it serves as outer: it stops
  // when that one is asked to.
  explicit SolveContext(const std::string &logfile, const SolveContext *outer = nullptr)
      : log(logfile), outer_(outer) {}
  SolveContext(const SolveContext &) = delete;
  SolveContext &operator=(const SolveContext &) = delete;

  void request_stop() noexcept { stop_.store(true, std::memory_order_relaxed); }
  bool stop_requested() const noexcept {
    return stop_.load(std::memory_order_relaxed) || (outer_ != nullptr && outer_->stop_requested());
  }

  LogFile log;
  // Set for a solve with a callback, which engines call on the thread they
  // solve on; null otherwise.
  CallbackContext *callback = nullptr;

 private:
  static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets the stop flag");
  std::atomic<bool> stop_{false};
  const SolveContext *outer_;
};

}  // namespace tvx

#endif
