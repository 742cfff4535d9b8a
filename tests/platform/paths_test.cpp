// Paths and whole files on a real folder: bytes read unchanged, failures
// told apart, and outputs that replace their target whole or leave it as it
// was, with no temporary file left behind. Built for Windows too.
#include "platform/paths.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/platform/temp_dir.h"

namespace codetwin::platform {
namespace {

namespace fs = std::filesystem;
using codetwin::testing::read_bytes;
using codetwin::testing::TempDir;
using codetwin::testing::write_bytes;

// The names in `folder`, sorted.
std::vector<std::string> names_in(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    names.push_back(name_of(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct BytesRow {
  const char* name;
  std::string bytes;
};

TEST(ReadFileTest, ReadsTheBytesUnchanged) {
  // clang-format off
  const BytesRow rows[] = {
      {"empty file", ""},
      {"CR LF kept", "a\r\nb\r\n"},
      {"Ctrl-Z and what follows kept", "ab\x1A" "cd"},
      {"NUL and high bytes", std::string("\xC4\xE3\0\xFF", 4)},
      {"larger than any one read", std::string((1 << 20) + 3, 'x')},
  };
  // clang-format on
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  for (const BytesRow& row : rows) {
    const fs::path path = dir.path() / "in.c";
    ASSERT_TRUE(write_bytes(path, row.bytes)) << row.name;
    const FileBytes read = read_file(path);
    EXPECT_FALSE(read.failure.has_value()) << row.name;
    EXPECT_TRUE(read.bytes == row.bytes) << row.name << ": " << read.bytes.size() << " bytes";
  }
}

struct FailureRow {
  const char* name;
  fs::path path;
  ReadFailure failure;
};

TEST(ReadFileTest, TellsMissingFromNotRegular) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  ASSERT_TRUE(write_bytes(dir.path() / "file.c", "int a;"));
  ASSERT_TRUE(fs::create_directory(dir.path() / "folder"));
  const FailureRow rows[] = {
      {"missing file", dir.path() / "missing.c", ReadFailure::kMissing},
      {"missing folder", dir.path() / "no" / "file.c", ReadFailure::kMissing},
      {"a file taken for a folder", dir.path() / "file.c" / "x.c", ReadFailure::kMissing},
      {"a folder", dir.path() / "folder", ReadFailure::kNotRegular},
  };
  for (const FailureRow& row : rows) {
    const FileBytes read = read_file(row.path);
    ASSERT_TRUE(read.failure.has_value()) << row.name;
    EXPECT_EQ(*read.failure, row.failure) << row.name;
    EXPECT_EQ(read.bytes, "") << row.name;
  }
}

TEST(NamesTest, ChineseNamesGoThereAndBack) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string name = "\xE4\xBD\x9C\xE4\xB8\x9A 1,x.c";  // 作业 1,x.c
  const fs::path path = dir.path() / path_from_name(name);
  EXPECT_EQ(name_of(path_from_name(name)), name);
  EXPECT_EQ(name_of(path_from_name("sub/dir/a.c")), "sub/dir/a.c");

  AtomicOutput out;
  ASSERT_TRUE(out.open(path));
  ASSERT_TRUE(out.write("int a;"));
  ASSERT_TRUE(out.commit());
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{name});
  EXPECT_EQ(read_file(path).bytes, "int a;");
}

TEST(SameFileTest, ComparesFilesNotSpellings) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const fs::path a = dir.path() / "a.c", b = dir.path() / "b.c";
  ASSERT_TRUE(write_bytes(a, "int a;"));
  ASSERT_TRUE(write_bytes(b, "int a;"));
  EXPECT_TRUE(same_file(a, a));
  EXPECT_TRUE(same_file(a, dir.path() / "." / "a.c"));
  EXPECT_FALSE(same_file(a, b)) << "same bytes, two files";
  EXPECT_FALSE(same_file(a, dir.path() / "missing.c"));
  EXPECT_FALSE(same_file(dir.path() / "missing.c", dir.path() / "missing.c"));
}

// How an output ends in the rows below.
enum class Ending { kCommit, kDiscard, kDestroy, kCommitAfterDiscard };

struct OutputRow {
  const char* name;
  std::vector<std::string> pieces;
  Ending ending;
};

TEST(AtomicOutputTest, TargetIsReplacedWholeOrLeftAsItWas) {
  const std::string big((1 << 16) + 7, 'b');
  const OutputRow rows[] = {
      {"nothing written", {}, Ending::kCommit},
      {"small pieces", {"a,b\r\n", "1,2\r\n"}, Ending::kCommit},
      {"pieces past the buffer",
       {std::string(40000, 'x'), std::string(40000, 'y'), "z"},
       Ending::kCommit},
      {"a piece larger than the buffer", {"head", big, "tail"}, Ending::kCommit},
      {"discarded", {"a", big}, Ending::kDiscard},
      {"destroyed uncommitted", {"a", big}, Ending::kDestroy},
      {"committed after a discard", {"a"}, Ending::kCommitAfterDiscard},
  };
  for (const bool target_exists : {false, true}) {
    for (const OutputRow& row : rows) {
      const std::string name = std::string(row.name) + (target_exists ? ", over a file" : "");
      TempDir dir;
      ASSERT_TRUE(dir.ok());
      const fs::path target = dir.path() / "out.csv";
      if (target_exists) {
        ASSERT_TRUE(write_bytes(target, "old"));
      }
      std::string all;
      {
        AtomicOutput out;
        ASSERT_TRUE(out.open(target)) << name;
        for (const std::string& piece : row.pieces) {
          EXPECT_TRUE(out.write(piece)) << name;
          all += piece;
        }
        EXPECT_EQ(read_bytes(target), target_exists ? "old" : "") << name << ": before commit";
        EXPECT_EQ(names_in(dir.path()).size(), target_exists ? 2u : 1u) << name;
        if (row.ending == Ending::kCommit) {
          EXPECT_TRUE(out.commit()) << name;
        }
        if (row.ending == Ending::kDiscard) out.discard();
        if (row.ending == Ending::kCommitAfterDiscard) {
          out.discard();
          EXPECT_FALSE(out.commit()) << name;
        }
      }
      const bool replaced = row.ending == Ending::kCommit;
      EXPECT_EQ(fs::exists(target), replaced || target_exists) << name;
      if (fs::exists(target)) {
        EXPECT_TRUE(read_bytes(target) == (replaced ? all : "old")) << name;
      }
      const std::vector<std::string> left = names_in(dir.path());
      EXPECT_EQ(left.size(), replaced || target_exists ? 1u : 0u) << name << ": temporary left";
    }
  }
}

TEST(AtomicOutputTest, TemporaryIsHiddenBesideTheTargetAndNeverTheSame) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const fs::path target = dir.path() / "report.html";
  AtomicOutput first, second;
  ASSERT_TRUE(first.open(target));
  ASSERT_TRUE(second.open(target));
  EXPECT_NE(first.temporary(), second.temporary());
  for (const AtomicOutput* out : {&first, &second}) {
    const std::string name = name_of(out->temporary().filename());
    EXPECT_EQ(out->temporary().parent_path(), dir.path());
    EXPECT_TRUE(name.starts_with(".report.html.") && name.ends_with(".tmp")) << name;
    EXPECT_EQ(name.size(), std::string(".report.html.123456789abc.tmp").size()) << name;
  }

  // A long name is cut, and never inside a character.
  std::string long_name;
  for (int i = 0; i < 70; ++i) long_name += "\xE4\xBD\x9C";  // 作, 210 bytes
  AtomicOutput long_out;
  ASSERT_TRUE(long_out.open(dir.path() / path_from_name(long_name)));
  const std::string temporary = name_of(long_out.temporary().filename());
  const std::size_t kept = temporary.size() - std::string("..123456789abc.tmp").size();
  EXPECT_LT(kept, long_name.size()) << temporary;
  EXPECT_EQ(kept % 3, 0u) << temporary;
  EXPECT_EQ(temporary.substr(0, kept + 2), '.' + long_name.substr(0, kept) + '.');
}

TEST(AtomicOutputTest, BadTargetsFailAndLeaveNothing) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  AtomicOutput out;
  EXPECT_FALSE(out.open(dir.path() / "missing" / "out.csv")) << "a folder that does not exist";
  EXPECT_FALSE(out.write("a")) << "writing after a failed open";
  EXPECT_FALSE(out.commit()) << "committing after a failed open";

  ASSERT_TRUE(fs::create_directory(dir.path() / "folder"));
  EXPECT_FALSE(out.open(dir.path() / "folder")) << "a target that is a folder";
  EXPECT_FALSE(out.open(dir.path() / "folder" / "")) << "a name that ends in a separator";
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"folder"});

  // Becomes a folder after open: the rename fails, the temporary goes.
  const fs::path later = dir.path() / "later";
  ASSERT_TRUE(out.open(later));
  EXPECT_TRUE(out.write("a"));
  ASSERT_TRUE(fs::create_directory(later));
  EXPECT_FALSE(out.commit());
  EXPECT_TRUE(fs::is_directory(later));
  EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"folder", "later"}));
  EXPECT_TRUE(fs::is_empty(later));
}

}  // namespace
}  // namespace codetwin::platform
