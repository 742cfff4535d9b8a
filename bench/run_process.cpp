#include "bench/run_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace codetwin::bench {

ProcessRun run_process(const std::string& program, const std::vector<std::string>& arguments,
                       const std::filesystem::path& folder, std::string_view input) {
  ProcessRun run;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return run;
  const pid_t pid = fork();
  if (pid < 0) {
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    return run;
  }
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(pipe_ends[0], STDIN_FILENO) < 0 || dup2(null, STDOUT_FILENO) < 0 ||
        dup2(null, STDERR_FILENO) < 0 || chdir(folder.c_str()) != 0) {
      _exit(126);
    }
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    close(null);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  run.started = true;
  close(pipe_ends[0]);
  // A program that exits without reading all its input must not end the
  // benchmark with SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
  std::size_t sent = 0;
  while (sent < input.size()) {
    const ssize_t n = write(pipe_ends[1], input.data() + sent, input.size() - sent);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  close(pipe_ends[1]);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  if (WIFEXITED(status)) run.exit_status = WEXITSTATUS(status);
  run.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.peak_rss_bytes = usage.ru_maxrss * 1024L;
  return run;
}

}  // namespace codetwin::bench
