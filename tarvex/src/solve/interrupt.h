// SIGINT during a run. While at least one run is under way the library
// takes SIGINT itself: its handler only counts the signal (one lock-free
// atomic add, so it is async-signal-safe), and every run under way sees the
// count move (SolveContext::stop_requested) and ends with ABORT_CTRL_C at
// its engine's next check, keeping its incumbent. The handler found before
// the first run is put back when the last one ends; a process that ignores
// SIGINT keeps ignoring it. The signal reaches whichever thread POSIX
// delivers it to; the handler does not care which.
#ifndef TARVEX_SOLVE_INTERRUPT_H
#define TARVEX_SOLVE_INTERRUPT_H

namespace tvx {

// Takes SIGINT for its lifetime (nested and concurrent guards share one
// installation).
class InterruptGuard {
 public:
  InterruptGuard() noexcept;
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard &) = delete;
  InterruptGuard &operator=(const InterruptGuard &) = delete;
};

}  // namespace tvx

#endif
