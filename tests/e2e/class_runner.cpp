#include "tests/e2e/class_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/encoding.h"
#include "tests/e2e/program_runner.h"

namespace codetwin::testing {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> command(const ClassRunOptions& options) {
  if (options.own_build) {
    std::vector<std::string> words{CODETWIN_CLASS_BINARY};
    words.insert(words.end(), options.args.begin(), options.args.end());
    return words;
  }
  std::vector<std::string> words = runner_words();
  words.push_back(env_or("CODETWIN_CLASS_BIN", CODETWIN_CLASS_BINARY));
  words.insert(words.end(), options.args.begin(), options.args.end());
  return words;
}

// Reads what is there without waiting; false at end of file.
bool drain(int fd, std::string& into) {
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got > 0) {
      into.append(chunk, static_cast<std::size_t>(got));
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    return got < 0 && errno == EAGAIN;
  }
}

}  // namespace

ClassRunResult run_class(const std::string& dir, const ClassRunOptions& options) {
  signal(SIGPIPE, SIG_IGN);
  int input[2], output[2], errors[2];
  if (pipe(input) != 0 || pipe(output) != 0 || pipe(errors) != 0) {
    throw std::runtime_error("pipe failed");
  }
  std::vector<std::string> words = command(options);
  std::vector<std::string> env = program_environment(options.env);
  std::vector<char*> argv = c_strings(words);
  std::vector<char*> envp = c_strings(env);

  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(input[0], 0);
    if (options.stdout_full) {
      const int full = open("/dev/full", O_WRONLY);
      if (full < 0 || dup2(full, 1) < 0) _exit(124);
    } else {
      dup2(output[1], 1);
    }
    dup2(errors[1], 2);
    for (int fd : {input[0], input[1], output[0], output[1], errors[0], errors[1]}) close(fd);
    exec_program(dir, options.as_nobody, argv.data(), envp.data());
  }
  close(input[0]);
  close(output[1]);
  close(errors[1]);
  for (std::string_view rest = options.input; !rest.empty();) {
    const ssize_t written = ::write(input[1], rest.data(), rest.size());
    if (written <= 0) break;
    rest.remove_prefix(static_cast<std::size_t>(written));
  }
  close(input[1]);

  // Both outputs are read as they come, so that neither pipe fills up. Once
  // the program has ended, what is left is read without waiting for the
  // ends of file: helpers of a Windows runner may hold the pipes open.
  ClassRunResult result;
  fcntl(output[0], F_SETFL, O_NONBLOCK);
  fcntl(errors[0], F_SETFL, O_NONBLOCK);
  bool out_open = true, err_open = true;
  int status = 0;
  bool ended = false;
  while (!ended) {
    pollfd fds[2] = {{output[0], POLLIN, 0}, {errors[0], POLLIN, 0}};
    poll(fds, 2, 50);
    if (out_open) out_open = drain(output[0], result.out);
    if (err_open) err_open = drain(errors[0], result.err);
    ended = waitpid(pid, &status, WNOHANG) == pid;
  }
  drain(output[0], result.out);
  drain(errors[0], result.err);
  close(output[0]);
  close(errors[0]);
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.raw_out = result.out;
  result.raw_err = result.err;
  if (!options.own_build && testing_windows_class_build()) {
    const auto locale = options.env.find("LC_ALL");
    const bool utf8 = locale != options.env.end() && platform::is_utf8_codeset(locale->second);
    result.out = from_windows_console(result.raw_out, utf8);
    result.err = from_windows_console(result.raw_err, utf8);
  }
  return result;
}

bool testing_windows_class_build() { return env_or("CODETWIN_CLASS_BIN", "").ends_with(".exe"); }

std::string from_windows_console(std::string_view raw, bool utf8_locale) {
  std::string text = from_windows_text_mode(raw);
  if (!utf8_locale || text.starts_with(kBareLf)) return text;
  return platform::gbk_to_utf8(text);
}

std::map<std::string, std::string> tree_state(const std::string& dir) {
  std::map<std::string, std::string> state;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(dir, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    const std::string name = fs::relative(it->path(), dir).generic_string();
    const fs::file_status own = it->symlink_status();
    if (fs::is_symlink(own)) {
      state[name] = std::string("-> ").append(fs::read_symlink(it->path(), error).string());
    } else if (fs::is_directory(own)) {
      state[name] = std::string(1, '/');
    } else if (fs::is_regular_file(own)) {
      std::ifstream in(it->path(), std::ios::binary);
      state[name] = std::string(std::istreambuf_iterator<char>(in), {});
    } else {
      state[name] = std::string("(special)");
    }
  }
  return state;
}

}  // namespace codetwin::testing
