// Running a check in a child process: for what changes the whole process
// (signal handlers, resource limits, the user it runs as), so that the test
// program itself stays as it was.
#ifndef CODETWIN_TESTS_PLATFORM_CHILD_PROCESS_H_
#define CODETWIN_TESTS_PLATFORM_CHILD_PROCESS_H_

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

namespace codetwin::testing {

/// The user and group nobody, to drop to from root.
inline constexpr uid_t kNobody = 65534;

/// Runs `body` (returning an exit status) in a forked child and returns how
/// the child ended, as waitpid reports it; nullopt if it could not be run.
/// The child ends with _exit: nothing of the test program runs there after
/// `body`.
template <typename Body>
std::optional<int> in_child(Body body) {
  std::fflush(nullptr);  // nothing buffered is written twice
  const pid_t child = fork();
  if (child < 0) return std::nullopt;
  if (child == 0) _exit(body());
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  return status;
}

/// Runs `body` in a child as nobody: status 125 if the child could not drop
/// root's privileges.
template <typename Body>
std::optional<int> as_nobody(Body body) {
  return in_child([&body] {
    if (setgid(kNobody) != 0 || setuid(kNobody) != 0) return 125;
    return body();
  });
}

/// The exit code of a child that exited, or -1 (killed by a signal).
inline int exit_code(std::optional<int> status) {
  return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_PLATFORM_CHILD_PROCESS_H_
