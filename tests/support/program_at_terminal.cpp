#include "tests/support/program_at_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace codetwin::testing {

ProgramAtTerminal::~ProgramAtTerminal() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) close(master_);
}

bool ProgramAtTerminal::start(TerminalOptions options) {
  options_ = std::move(options);
  // Everything the child needs is made before the fork: it only calls
  // async-signal-safe functions.
  std::vector<char*> argv, envp;
  for (std::string& word : options_.argv) argv.push_back(word.data());
  argv.push_back(nullptr);
  for (std::string& entry : options_.envp) envp.push_back(entry.data());
  envp.push_back(nullptr);
  const termios* settings = options_.settings ? &*options_.settings : nullptr;
  const winsize* size = options_.size ? &*options_.size : nullptr;
  const char* folder = options_.folder.c_str();
  const bool stderr_to_null = options_.stderr_to_null;

  pid_ = forkpty(&master_, nullptr, settings, size);
  if (pid_ == 0) {
    if (stderr_to_null) {
      int null_fd = open("/dev/null", O_WRONLY);
      if (null_fd < 0 || dup2(null_fd, 2) < 0) _exit(126);
    }
    if (chdir(folder) != 0) _exit(126);
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  return pid_ > 0;
}

bool ProgramAtTerminal::wait_for(std::string_view text) {
  const auto deadline = std::chrono::steady_clock::now() + options_.deadline;
  while (true) {
    std::size_t at = shown().find(text, matched_);
    if (at != std::string::npos) {
      matched_ = at + text.size();
      return true;
    }
    if (!read_some(deadline)) return false;
  }
}

std::optional<int> ProgramAtTerminal::wait_for_exit() {
  const auto deadline = std::chrono::steady_clock::now() + options_.deadline;
  while (read_some(deadline)) {
  }
  if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
  int status = 0;
  if (waitpid(pid_, &status, 0) != pid_) return std::nullopt;
  pid_ = -1;
  return status;
}

bool ProgramAtTerminal::signal(int number) { return pid_ > 0 && ::kill(pid_, number) == 0; }

bool ProgramAtTerminal::type(std::string_view keys) {
  return write(master_, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
}

std::optional<termios> ProgramAtTerminal::settings() const {
  termios now;
  if (tcgetattr(master_, &now) != 0) return std::nullopt;
  return now;
}

std::string ProgramAtTerminal::shown() const {
  return options_.view ? options_.view(bytes_) : bytes_;
}

// One read from the master, waiting at most until `deadline`. False once
// every holder of the slave side has gone or the deadline passed.
bool ProgramAtTerminal::read_some(std::chrono::steady_clock::time_point deadline) {
  while (true) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd ready{master_, POLLIN, 0};
    int polled = poll(&ready, 1, static_cast<int>(left.count()));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return false;
    char chunk[4096];
    ssize_t got = read(master_, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;  // EIO: the slave side is closed
    bytes_.append(chunk, static_cast<std::size_t>(got));
    return true;
  }
}

std::optional<int> exit_code(std::optional<int> wait_status) {
  if (!wait_status || !WIFEXITED(*wait_status)) return std::nullopt;
  return WEXITSTATUS(*wait_status);
}

}  // namespace codetwin::testing
