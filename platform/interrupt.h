// Ctrl-C as a request to stop, not a kill.
//
// After catch_interrupts(), Ctrl-C (SIGINT; SIGTERM and SIGHUP too on
// POSIX; the console's Ctrl-C, Ctrl-Break and close events on Windows) only
// raises a flag, which the program polls, so it can remove its temporary
// files and exit with status 130.
#ifndef CODETWIN_PLATFORM_INTERRUPT_H_
#define CODETWIN_PLATFORM_INTERRUPT_H_

namespace codetwin::platform {

/// The exit status after an interrupt (128 + SIGINT, as shells report it).
inline constexpr int kInterruptedStatus = 130;

void catch_interrupts();
bool interrupted();

}  // namespace codetwin::platform

#endif  // CODETWIN_PLATFORM_INTERRUPT_H_
