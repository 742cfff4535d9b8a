#include "tests/e2e/program_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

extern char** environ;

namespace codetwin::testing {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> program_command(const RunOptions& options) {
  std::vector<std::string> command = runner_words();
  command.push_back(env_or("CODETWIN_BIN", CODETWIN_BINARY));
  for (const std::string& arg : options.args) command.push_back(arg);
  return command;
}

// The files the program may create; the sources it must leave alone.
constexpr const char* kOutputs[] = {"list1.txt", "list2.txt", "token1.txt", "token2.txt"};
constexpr const char* kSources[] = {"file1.c", "file2.c"};

long long nanoseconds(const timespec& t) { return t.tv_sec * 1000000000LL + t.tv_nsec; }

FolderSnapshot::Source source_state(const std::string& path) {
  FolderSnapshot::Source state;
  struct stat link, target;
  if (lstat(path.c_str(), &link) != 0) return state;
  state.present = true;
  state.mode = link.st_mode;
  state.mtime_ns = nanoseconds(link.st_mtim);
  if (stat(path.c_str(), &target) == 0) {
    state.mtime_ns = nanoseconds(target.st_mtim);
    if (S_ISREG(target.st_mode)) {
      std::ifstream in(path, std::ios::binary);
      state.bytes = std::string(std::istreambuf_iterator<char>(in), {});
    }
  }
  return state;
}

FolderSnapshot take_snapshot(const std::string& dir) {
  FolderSnapshot snapshot;
  for (const char* source : kSources) snapshot.sources[source] = source_state(dir + "/" + source);
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(dir, error)) {
    snapshot.names.push_back(entry.path().filename().string());
  }
  return snapshot;
}

// Reported as failures of the test that ran the program.
void check_untouched(const std::string& dir, const FolderSnapshot& before) {
  for (const auto& [name, then] : before.sources) {
    const FolderSnapshot::Source now = source_state(dir + "/" + name);
    if (now.present != then.present || now.mode != then.mode) {
      ADD_FAILURE() << name << " was replaced or removed by the run";
      continue;
    }
    if (now.mtime_ns != then.mtime_ns) ADD_FAILURE() << name << ": modification time changed";
    if (now.bytes != then.bytes) ADD_FAILURE() << name << ": bytes changed";
  }
  std::vector<std::string> allowed = before.names;
  allowed.insert(allowed.end(), std::begin(kOutputs), std::end(kOutputs));
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(dir, error)) {
    const std::string name = entry.path().filename().string();
    if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
      ADD_FAILURE() << "the run left an unexpected file: " << name;
    }
  }
}

// In the child: makes `fd` the pipe end, /dev/null, or nothing.
void set_stream(int fd, Stream stream, int pipe_end, int null_flags) {
  switch (stream) {
    case Stream::kPipe:
      dup2(pipe_end, fd);
      break;
    case Stream::kDevNull: {
      int null_fd = open("/dev/null", null_flags);
      if (null_fd >= 0 && null_fd != fd) {
        dup2(null_fd, fd);
        close(null_fd);
      }
      break;
    }
    case Stream::kClosed:
      close(fd);
      break;
  }
}

}  // namespace

std::string env_or(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

std::vector<char*> c_strings(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

void exec_program(const std::string& dir, bool as_nobody, char** argv, char** envp) {
  constexpr uid_t kNobody = 65534;
  if (chdir(dir.c_str()) != 0) _exit(126);
  if (as_nobody && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(125);
  signal(SIGPIPE, SIG_DFL);
  execve(argv[0], argv, envp);
  // execve does not search PATH; a runner such as "wine" is looked up here.
  execvpe(argv[0], argv, envp);
  _exit(127);
}

ScratchDir::ScratchDir() {
  std::string pattern = (fs::temp_directory_path() / "codetwin-e2e-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  // A test may have taken write permission away; give it back to clean up.
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

void ScratchDir::write(std::string_view name, std::string_view bytes) const {
  std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + file(name));
}

std::optional<std::string> ScratchDir::read(std::string_view name) const {
  std::ifstream in(file(name), std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> ScratchDir::names() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

Session::Session(const std::string& dir, const RunOptions& options)
    : dir_(dir), before_(take_snapshot(dir)) {
  // A program that ends before reading all its input must not kill the test.
  signal(SIGPIPE, SIG_IGN);
  int input[2], output[2];
  if (pipe(input) != 0 || pipe(output) != 0) throw std::runtime_error("pipe failed");
  std::vector<std::string> command = program_command(options);
  std::vector<std::string> env = program_environment(options.env);
  std::vector<char*> argv = c_strings(command);
  std::vector<char*> envp = c_strings(env);
  // Wine starts its helper processes on demand from the program, and they
  // inherit its standard error and outlive it: ctest would wait for them.
  const bool quiet_errors = testing_windows_build();

  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    set_stream(0, options.input, input[0], O_RDONLY);
    set_stream(1, options.output, output[1], O_WRONLY);
    close(input[0]);
    close(input[1]);
    close(output[0]);
    close(output[1]);
    if (quiet_errors) {
      int null_fd = open("/dev/null", O_WRONLY);
      if (null_fd < 0 || dup2(null_fd, 2) < 0) _exit(124);
      close(null_fd);
    }
    exec_program(dir, options.as_nobody, argv.data(), envp.data());
  }
  close(input[0]);
  close(output[1]);
  to_program_ = input[1];
  from_program_ = output[0];
  if (options.input != Stream::kPipe) close_input();
  if (options.output != Stream::kPipe) close_output();
}

Session::~Session() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    finish();
  }
}

void Session::send(std::string_view input) {
  while (to_program_ >= 0 && !input.empty()) {
    ssize_t written = ::write(to_program_, input.data(), input.size());
    if (written <= 0) return;  // the program has gone; what it printed tells the test
    input.remove_prefix(static_cast<std::size_t>(written));
  }
}

void Session::close_input() {
  if (to_program_ >= 0) close(to_program_);
  to_program_ = -1;
}

void Session::close_output() {
  if (from_program_ >= 0) close(from_program_);
  from_program_ = -1;
}

const std::string& Session::read_until(std::string_view marker) {
  char chunk[4096];
  while (from_program_ >= 0 && output_.find(marker) == std::string::npos) {
    ssize_t got = ::read(from_program_, chunk, sizeof chunk);
    if (got <= 0) break;
    raw_output_.append(chunk, static_cast<std::size_t>(got));
    output_ = testing_windows_build() ? from_windows_text_mode(raw_output_) : raw_output_;
  }
  return output_;
}

RunResult Session::finish() {
  close_input();
  RunResult result;
  if (pid_ <= 0) return result;
  char chunk[65536];
  for (ssize_t got; from_program_ >= 0 && (got = ::read(from_program_, chunk, sizeof chunk)) > 0;) {
    raw_output_.append(chunk, static_cast<std::size_t>(got));
  }
  output_ = testing_windows_build() ? from_windows_text_mode(raw_output_) : raw_output_;
  close_output();
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  check_untouched(dir_, before_);
  result.output = output_;
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

RunResult run_codetwin(const std::string& dir, std::string_view input, const RunOptions& options) {
  Session session(dir, options);
  session.send(input);
  return session.finish();
}

bool testing_windows_build() { return env_or("CODETWIN_BIN", "").ends_with(".exe"); }

std::string from_windows_text_mode(std::string_view raw) {
  std::string text;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r')) {
      return std::string(kBareLf) + std::string(raw);
    }
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text.push_back(raw[i]);
  }
  return text;
}

std::vector<std::string> program_environment(const std::map<std::string, std::string>& extra) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string_view text(*entry);
    if (text.starts_with("LC_") || text.starts_with("LANG=") || text.starts_with("LANGUAGE=")) {
      continue;
    }
    std::string name(text.substr(0, text.find('=')));
    if (extra.count(name) == 0) env.emplace_back(text);
  }
  if (extra.count("LC_ALL") == 0) env.emplace_back("LC_ALL=C");
  for (const auto& [name, value] : extra) env.push_back(name + "=" + value);
  return env;
}

std::vector<std::string> runner_words() {
  std::vector<std::string> words;
  std::istringstream runner(env_or("CODETWIN_RUNNER", ""));
  for (std::string word; runner >> word;) words.push_back(word);
  return words;
}

}  // namespace codetwin::testing
