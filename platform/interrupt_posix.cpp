// Interrupts on POSIX: SIGINT, SIGTERM and SIGHUP set a flag.
#include <signal.h>

#include <atomic>

#include "platform/interrupt.h"

namespace codetwin::platform {

namespace {

// Lock-free, hence safe to set from a signal handler.
std::atomic<bool> interrupt_seen{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void on_signal(int) { interrupt_seen.store(true, std::memory_order_relaxed); }

}  // namespace

void catch_interrupts() {
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (sigaction(signal_number, nullptr, &current) != 0) continue;
    // Ignored by whoever started us (nohup, a background job): keep it so.
    if (current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal_number, &action, nullptr);
  }
}

bool interrupted() { return interrupt_seen.load(std::memory_order_relaxed); }

}  // namespace codetwin::platform
