// Ctrl-C as a request to stop, not a kill.
//
// After catch_interrupts(), Ctrl-C (SIGINT; SIGTERM and SIGHUP too on
// POSIX; the console's Ctrl-C, Ctrl-Break and close events on Windows) only
// raises a flag, which the program polls, so it can remove its temporary
// files and exit with status 130. The flag is safe to read from any thread.
//
// On POSIX a signal that was ignored when the program started stays ignored
// (a run under nohup goes on when its terminal closes), and system calls
// that the signal interrupts are restarted, so a write in progress does not
// fail for it. On Windows the system ends the process soon after a close
// event whatever the handler does; the handler holds it for a few seconds,
// long enough for a program that polls the flag to clean up and exit.
#ifndef CODETWIN_PLATFORM_INTERRUPT_H_
#define CODETWIN_PLATFORM_INTERRUPT_H_

namespace codetwin::platform {

/// The exit status after an interrupt (128 + SIGINT, as shells report it).
inline constexpr int kInterruptedStatus = 130;

/// Installs the handlers. Call once, early, before any thread starts.
void catch_interrupts();
/// Whether an interrupt has come since catch_interrupts().
bool interrupted();

}  // namespace codetwin::platform

#endif  // CODETWIN_PLATFORM_INTERRUPT_H_
