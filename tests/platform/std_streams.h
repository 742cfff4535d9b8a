// Swapping the process's standard streams and locale variables for a test.
#ifndef CODETWIN_TESTS_PLATFORM_STD_STREAMS_H_
#define CODETWIN_TESTS_PLATFORM_STD_STREAMS_H_

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace codetwin::testing {

/// Points standard descriptor `fd` at `path` (opened with `flags`) for the
/// scope. stdio is flushed around the swap; a redirected stdin is drained and
/// its end-of-input mark cleared, so the next test starts from nothing.
class Redirect {
 public:
  Redirect(int fd, const std::string& path, int flags) : fd_(fd) {
    std::fflush(stdout);
    saved_ = dup(fd);  // -1 when fd was closed: it is closed again at the end
    int file = open(path.c_str(), flags, 0600);
    ok_ = file >= 0 && (file == fd || dup2(file, fd) == fd);
    if (file >= 0 && file != fd) close(file);
    if (fd == STDIN_FILENO) std::clearerr(stdin);
  }
  Redirect(const Redirect&) = delete;
  Redirect& operator=(const Redirect&) = delete;
  ~Redirect() {
    std::fflush(stdout);
    if (fd_ == STDIN_FILENO) {
      while (std::getchar() != EOF) {
      }
    }
    if (saved_ >= 0) {
      dup2(saved_, fd_);
      close(saved_);
    } else {
      close(fd_);
    }
    if (fd_ == STDIN_FILENO) std::clearerr(stdin);
  }

  bool ok() const { return ok_; }

 private:
  int fd_;
  int saved_ = -1;
  bool ok_ = false;
};

/// Sets (or, for nullptr, unsets) environment variables for the scope.
class ScopedEnv {
 public:
  explicit ScopedEnv(std::initializer_list<std::pair<const char*, const char*>> values) {
    for (const auto& [name, value] : values) {
      const char* old = getenv(name);
      saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
      if (value != nullptr) {
        setenv(name, value, 1);
      } else {
        unsetenv(name);
      }
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() {
    for (const auto& [name, old] : saved_) {
      if (old) {
        setenv(name.c_str(), old->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_PLATFORM_STD_STREAMS_H_
