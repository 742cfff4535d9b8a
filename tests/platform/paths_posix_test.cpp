// Paths and whole files where only POSIX can arrange the case: links, FIFOs
// and devices, permissions (as nobody, when run as root), names that are not
// UTF-8, and a write refused by the file size limit.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "tests/platform/child_process.h"
#include "tests/platform/temp_dir.h"

namespace codetwin::platform {
namespace {

namespace fs = std::filesystem;
using codetwin::testing::as_nobody;
using codetwin::testing::exit_code;
using codetwin::testing::in_child;
using codetwin::testing::read_bytes;
using codetwin::testing::TempDir;
using codetwin::testing::write_bytes;

std::vector<std::string> names_in(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct ReadRow {
  const char* name;
  std::string path;  // in the folder below, or absolute
  std::optional<ReadFailure> failure;
};

TEST(ReadFilePosixTest, LinksAreFollowedAndOnlyRegularFilesRead) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const fs::path& d = dir.path();
  ASSERT_TRUE(write_bytes(d / "file.c", "int a;"));
  ASSERT_TRUE(fs::create_directory(d / "folder"));
  fs::create_symlink("file.c", d / "link.c");
  fs::create_symlink("missing.c", d / "dangling.c");
  fs::create_symlink("loop2.c", d / "loop1.c");
  fs::create_symlink("loop1.c", d / "loop2.c");
  fs::create_symlink("folder", d / "folder_link");
  fs::create_symlink("/dev/zero", d / "zero_link");
  ASSERT_EQ(mkfifo((d / "fifo").c_str(), 0600), 0);
  // No writer ever opens the FIFO: opening it for reading would wait forever.
  const ReadRow rows[] = {
      {"link to a file", "link.c", std::nullopt},
      {"dangling link", "dangling.c", ReadFailure::kMissing},
      {"loop of links", "loop1.c", ReadFailure::kMissing},
      {"link to a folder", "folder_link", ReadFailure::kNotRegular},
      {"FIFO", "fifo", ReadFailure::kNotRegular},
      {"device", "/dev/null", ReadFailure::kNotRegular},
      {"link to an endless device", "zero_link", ReadFailure::kNotRegular},
  };
  for (const ReadRow& row : rows) {
    const FileBytes read = read_file(d / row.path);
    EXPECT_EQ(read.failure, row.failure) << row.name;
    EXPECT_EQ(read.bytes, row.failure ? "" : "int a;") << row.name;
  }
}

TEST(ReadFilePosixTest, UnreadableFileAsNobody) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to drop to nobody";
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const fs::path secret = dir.path() / "secret.c";
  ASSERT_TRUE(write_bytes(secret, "int a;"));
  ASSERT_EQ(chmod(secret.c_str(), 0600), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  const std::optional<int> status = as_nobody([&secret] {
    const FileBytes read = read_file(secret);
    return read.failure == ReadFailure::kUnreadable && read.bytes.empty() ? 0 : 1;
  });
  EXPECT_EQ(exit_code(status), 0);
}

TEST(SameFilePosixTest, LinksLeadToTheSameFile) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const fs::path file = dir.path() / "a.c";
  ASSERT_TRUE(write_bytes(file, "int a;"));
  fs::create_symlink("a.c", dir.path() / "link.c");
  fs::create_hard_link(file, dir.path() / "hard.c");
  fs::create_symlink("missing.c", dir.path() / "dangling.c");
  EXPECT_TRUE(same_file(file, dir.path() / "link.c"));
  EXPECT_TRUE(same_file(dir.path() / "hard.c", dir.path() / "link.c"));
  EXPECT_FALSE(same_file(dir.path() / "dangling.c", dir.path() / "dangling.c"));
}

TEST(NamesPosixTest, NamesThatAreNotUtf8AreKeptAsBytes) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string name =
      "\xD7\xF7\xD2\xB5\xFF\n\"q\".c";  // GBK, a stray byte, a line end, quotes
  EXPECT_EQ(name_of(path_from_name(name)), name);
  AtomicOutput out;
  ASSERT_TRUE(out.open(dir.path() / path_from_name(name)));
  ASSERT_TRUE(out.write("x"));
  ASSERT_TRUE(out.commit());
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{name});
  EXPECT_EQ(read_file(dir.path() / path_from_name(name)).bytes, "x");
}

TEST(AtomicOutputPosixTest, LinkIsReplacedAndWhatItPointedToIsLeftAlone) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const fs::path& d = dir.path();
  ASSERT_TRUE(write_bytes(d / "kept.csv", "old"));
  fs::create_symlink("kept.csv", d / "link.csv");
  fs::create_symlink("nowhere.csv", d / "dangling.csv");
  for (const char* target : {"link.csv", "dangling.csv"}) {
    AtomicOutput out;
    ASSERT_TRUE(out.open(d / target)) << target;
    ASSERT_TRUE(out.write("new")) << target;
    ASSERT_TRUE(out.commit()) << target;
    EXPECT_FALSE(fs::is_symlink(d / target)) << target;
    EXPECT_EQ(read_bytes(d / target), "new") << target;
  }
  EXPECT_EQ(read_bytes(d / "kept.csv"), "old");
  EXPECT_EQ(names_in(d), (std::vector<std::string>{"dangling.csv", "kept.csv", "link.csv"}));
}

TEST(AtomicOutputPosixTest, NewFileHasTheUsualPermissions) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const mode_t saved = umask(022);
  AtomicOutput out;
  const bool done = out.open(dir.path() / "out.csv") && out.commit();
  umask(saved);
  ASSERT_TRUE(done);
  struct stat status;
  ASSERT_EQ(stat((dir.path() / "out.csv").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0644u);
}

TEST(AtomicOutputPosixTest, ReadOnlyFolderFailsAtOpenAsNobody) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to drop to nobody";
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  const fs::path target = dir.path() / "out.csv";
  ASSERT_TRUE(write_bytes(target, "old"));
  ASSERT_EQ(chmod(target.c_str(), 0666), 0);  // the file is writable, its folder is not
  const std::optional<int> status = as_nobody([&target] {
    AtomicOutput out;
    return out.open(target) ? 1 : 0;
  });
  EXPECT_EQ(exit_code(status), 0);
  EXPECT_EQ(read_bytes(target), "old");
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"out.csv"});
}

struct RefusedRow {
  const char* name;
  std::string bytes;
  bool write_fails;  // at write(); otherwise only at commit()
};

TEST(AtomicOutputPosixTest, RefusedWriteFailsAndLeavesTheTarget) {
  // A file size limit makes write(2) fail with EFBIG past it, as a full
  // disk would with ENOSPC: in a child, with SIGXFSZ ignored.
  constexpr rlim_t kLimit = 1000;
  const RefusedRow rows[] = {
      {"refused while buffered", std::string(2 * kLimit, 'a'), false},
      {"refused at once", std::string(1 << 17, 'a'), true},
  };
  for (const RefusedRow& row : rows) {
    TempDir dir;
    ASSERT_TRUE(dir.ok()) << row.name;
    const fs::path target = dir.path() / "out.csv";
    ASSERT_TRUE(write_bytes(target, "old")) << row.name;
    const std::optional<int> status = in_child([&] {
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{kLimit, kLimit};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 125;
      AtomicOutput out;
      if (!out.open(target)) return 2;
      if (out.write(row.bytes) == row.write_fails) return 3;
      return out.commit() ? 4 : 0;
    });
    EXPECT_EQ(exit_code(status), 0) << row.name;
    EXPECT_EQ(read_bytes(target), "old") << row.name;
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"out.csv"}) << row.name;
  }
}

}  // namespace
}  // namespace codetwin::platform
