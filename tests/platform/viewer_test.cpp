// open_in_viewer against a fake opener first on PATH that records how it was
// started: one argument, our working directory, no console streams, and the
// caller gone on without waiting. A missing opener costs nothing.
#include <errno.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/console.h"
#include "tests/platform/std_streams.h"
#include "tests/platform/temp_dir.h"

namespace codetwin::platform {
namespace {

namespace fs = std::filesystem;
using codetwin::testing::read_bytes;
using codetwin::testing::Redirect;
using codetwin::testing::ScopedEnv;
using codetwin::testing::TempDir;
using codetwin::testing::write_bytes;

// Generous: the fake opener starts in milliseconds on any machine.
constexpr std::chrono::seconds kRecordDeadline{30};

// The fake opener. It first holds until the test releases it, giving up
// after about 20 s: a caller that waits for it therefore leaves "waited-for"
// in the record instead of "released". The record is written under a temp
// name and renamed, so the test never reads half of one. The two folders it
// uses come in FAKE_RELEASE and FAKE_RECORDS.
constexpr std::string_view kFakeOpener = R"sh(#!/bin/sh
PATH=/usr/bin:/bin
in=$(readlink /proc/$$/fd/0); out=$(readlink /proc/$$/fd/1); err=$(readlink /proc/$$/fd/2)
i=0
while [ ! -e "$FAKE_RELEASE" ] && [ $i -lt 2000 ]; do sleep 0.01; i=$((i + 1)); done
if [ -e "$FAKE_RELEASE" ]; then held=released; else held=waited-for; fi
rec="$FAKE_RECORDS/$$"
{
  printf 'argc=%s\n' "$#"
  for a in "$@"; do printf 'arg=%s\n' "$a"; done
  printf 'cwd=%s\n' "$(pwd -P)"
  printf 'stdin=%s\nstdout=%s\nstderr=%s\n%s\n' "$in" "$out" "$err" "$held"
} > "$rec.tmp" && mv "$rec.tmp" "$rec.done"
)sh";

std::string expected_record(const char* file, const fs::path& cwd) {
  return "argc=1\narg=" + std::string(file) + "\ncwd=" + fs::canonical(cwd).string() +
         "\nstdin=/dev/null\nstdout=/dev/null\nstderr=/dev/null\nreleased\n";
}

// The finished records in `folder`, once there are `count` of them or the
// deadline has passed; sorted, as the openers run in no fixed order.
std::vector<std::string> wait_for_records(const fs::path& folder, std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + kRecordDeadline;
  std::vector<std::string> records;
  while (true) {
    records.clear();
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
      if (entry.path().extension() == ".done") records.push_back(read_bytes(entry.path().string()));
    }
    if (records.size() >= count || std::chrono::steady_clock::now() > deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::sort(records.begin(), records.end());
  return records;
}

// True when this process has no child left, not even a zombie.
bool no_child_left() { return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }

std::string path_with_first(const fs::path& folder) {
  std::string result = folder.string();
  if (const char* path = getenv("PATH"); path != nullptr) result.append(":").append(path);
  return result;
}

class ScopedCwd {
 public:
  explicit ScopedCwd(const fs::path& path) : saved_(fs::current_path()) { fs::current_path(path); }
  ScopedCwd(const ScopedCwd&) = delete;
  ScopedCwd& operator=(const ScopedCwd&) = delete;
  ~ScopedCwd() { fs::current_path(saved_); }

 private:
  fs::path saved_;
};

TEST(OpenInViewerTest, StartsTheOpenerDetachedInTheWorkingDirectory) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const fs::path bin = dir.path() / "bin", work = dir.path() / "work",
                 records = dir.path() / "records", release = dir.path() / "release";
  for (const fs::path& folder : {bin, work, records}) ASSERT_TRUE(fs::create_directory(folder));
  const std::string opener = (bin / "xdg-open").string();
  ASSERT_TRUE(write_bytes(opener, kFakeOpener));
  ASSERT_EQ(chmod(opener.c_str(), 0755), 0);

  {
    ScopedEnv env({{"PATH", path_with_first(bin).c_str()},
                   {"FAKE_RELEASE", release.c_str()},
                   {"FAKE_RECORDS", records.c_str()}});
    ScopedCwd cwd(work);
    open_in_viewer("token1.txt");
    open_in_viewer("token2.txt");
  }
  ASSERT_TRUE(write_bytes(release.string(), ""));

  std::vector<std::string> expected = {expected_record("token1.txt", work),
                                       expected_record("token2.txt", work)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(wait_for_records(records, 2), expected);
  EXPECT_TRUE(no_child_left());
}

TEST(OpenInViewerTest, MissingOpenerIsIgnored) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const fs::path empty_bin = dir.path() / "bin";
  ASSERT_TRUE(fs::create_directory(empty_bin));
  const std::string out_path = dir.file("stdout"), err_path = dir.file("stderr");
  {
    ScopedEnv env({{"PATH", empty_bin.c_str()}});
    Redirect out(STDOUT_FILENO, out_path, O_WRONLY | O_CREAT | O_TRUNC);
    Redirect err(STDERR_FILENO, err_path, O_WRONLY | O_CREAT | O_TRUNC);
    ASSERT_TRUE(out.ok() && err.ok());
    // Still in the stdio buffer when the opener is started: written once.
    print("before ");
    open_in_viewer("token1.txt");
    print("after");
  }
  EXPECT_EQ(read_bytes(out_path), "before after");
  EXPECT_EQ(read_bytes(err_path), "");
  EXPECT_TRUE(no_child_left());
}

}  // namespace
}  // namespace codetwin::platform
