// Interrupts on Windows: the console's control events set a flag.
#include <windows.h>

#include <atomic>

#include "platform/interrupt.h"

namespace codetwin::platform {

namespace {

std::atomic<bool> interrupt_seen{false};

// After a close, log-off or shut-down event returns, the system ends the
// process (and would after about 5 s anyway): held this long, the program
// has time to see the flag, remove its temporary files and exit first.
constexpr DWORD kCloseGraceMs = 4000;

BOOL WINAPI on_control(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      interrupt_seen.store(true);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      interrupt_seen.store(true);
      Sleep(kCloseGraceMs);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void catch_interrupts() { SetConsoleCtrlHandler(on_control, TRUE); }

bool interrupted() { return interrupt_seen.load(); }

}  // namespace codetwin::platform
