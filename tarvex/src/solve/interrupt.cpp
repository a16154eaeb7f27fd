#include "solve/interrupt.h"

#include <signal.h>

#include <atomic>
#include <cstdint>
#include <thread>

#include "solve/context.h"

namespace tvx {
namespace {

static_assert(std::atomic<std::uint64_t>::is_always_lock_free, "the handler only adds");
// Constant-initialised, so the handler never meets it unconstructed.
std::atomic<std::uint64_t> g_interrupts{0};

extern "C" void count_interrupt(int) { g_interrupts.fetch_add(1, std::memory_order_relaxed); }

// Guarded by g_busy, a lock that cannot throw (std::mutex::lock may), so the
// guard's constructor and destructor are sound as noexcept. It is held only
// for a count and a few sigaction calls, so waiting for it spins.
std::atomic_flag g_busy = ATOMIC_FLAG_INIT;
int g_runs = 0;
bool g_installed = false;
struct sigaction g_previous;

void install() {
  struct sigaction current;
  if (sigaction(SIGINT, nullptr, &current) != 0) return;
  if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN) return;
  struct sigaction ours = {};
  ours.sa_handler = count_interrupt;
  sigemptyset(&ours.sa_mask);
  ours.sa_flags = SA_RESTART;
  g_installed = sigaction(SIGINT, &ours, &g_previous) == 0;
}

void restore() {
  if (!g_installed) return;
  g_installed = false;
  struct sigaction current;
  if (sigaction(SIGINT, &g_previous, &current) != 0) return;
  // Someone replaced our handler meanwhile: theirs stays.
  if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != count_interrupt) {
    sigaction(SIGINT, &current, nullptr);
  }
}

// Holds g_busy for its scope.
class Hold {
 public:
  Hold() noexcept {
    while (g_busy.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
  }
  ~Hold() { g_busy.clear(std::memory_order_release); }
  Hold(const Hold &) = delete;
  Hold &operator=(const Hold &) = delete;
};

}  // namespace

std::atomic<std::uint64_t> &interrupt_count() noexcept { return g_interrupts; }

InterruptGuard::InterruptGuard() noexcept {
  const Hold hold;
  if (g_runs++ == 0) install();
}

InterruptGuard::~InterruptGuard() {
  const Hold hold;
  if (--g_runs == 0) restore();
}

}  // namespace tvx
