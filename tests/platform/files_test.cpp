// The file shells on real files: text-mode reading, CR LF writing, and every
// failure reported rather than lost.
#include "platform/files.h"

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <string>

#include <gtest/gtest.h>

#include "tests/platform/temp_dir.h"

namespace codetwin::platform {
namespace {

using codetwin::testing::read_bytes;
using codetwin::testing::TempDir;
using codetwin::testing::write_bytes;

// The reader's chunk size, so a CR LF pair can be put across two chunks.
constexpr std::size_t kReadChunk = 1 << 16;

struct ReadRow {
  const char* name;
  std::string raw;
  std::string text;
};

TEST(ReadTextFileTest, ReadsInTextMode) {
  const std::string before_boundary(kReadChunk - 1, 'a');
  // clang-format off
  const ReadRow rows[] = {
      {"empty file", "", ""},
      {"CR LF reads as LF", "a\r\nb\r\n", "a\nb\n"},
      {"lone CR kept", "a\rb\r", "a\rb\r"},
      {"CR CR LF", "a\r\r\nb", "a\r\nb"},
      {"Ctrl-Z ends the text", "ab\x1A" "cd\r\n", "ab"},
      {"Ctrl-Z first", "\x1A" "abc", ""},
      {"GBK and NUL bytes kept", std::string("\xC4\xE3\0\xFF", 4), std::string("\xC4\xE3\0\xFF", 4)},
      {"CR LF across two chunks", before_boundary + "\r\nb", before_boundary + "\nb"},
      {"CR ending the first chunk alone", before_boundary + "\rb", before_boundary + "\rb"},
  };
  // clang-format on
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  for (const ReadRow& row : rows) {
    const std::string path = dir.file("in.txt");
    ASSERT_TRUE(write_bytes(path, row.raw)) << row.name;
    std::optional<std::string> text = read_text_file(path.c_str());
    ASSERT_TRUE(text.has_value()) << row.name;
    EXPECT_EQ(*text, row.text) << row.name;
  }
}

TEST(ReadTextFileTest, UnreadablePathsGiveNothing) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  EXPECT_FALSE(read_text_file(dir.path().c_str()).has_value()) << "a directory";
  EXPECT_FALSE(read_text_file(dir.file("missing.txt").c_str()).has_value()) << "a missing file";
}

struct WriteRow {
  const char* name;
  std::string text;
  LineEnds line_ends;
  std::string stored;
};

TEST(OutputFileTest, StoresLineEndsAsAsked) {
  const WriteRow rows[] = {
      {"list lines stored CR LF", "a\nb\n", LineEnds::kCrLf, "a\r\nb\r\n"},
      {"a CR before a line end kept", "a\r\n", LineEnds::kCrLf, "a\r\r\n"},
      {"token string as is", "zhid=id;\n", LineEnds::kAsIs, "zhid=id;\n"},
      {"nothing written", "", LineEnds::kCrLf, ""},
  };
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  for (const WriteRow& row : rows) {
    const std::string path = dir.file("out.txt");
    OutputFile out;
    ASSERT_TRUE(out.create(path.c_str())) << row.name;
    EXPECT_TRUE(out.write(row.text, row.line_ends)) << row.name;
    EXPECT_TRUE(out.close()) << row.name;
    EXPECT_EQ(read_bytes(path), row.stored) << row.name;
  }
}

// A file that exists is written over in place: whatever it held before,
// it ends up with exactly the new bytes, as if it had been truncated.
struct WriteOverRow {
  const char* name;
  std::string old_bytes;
};

TEST(OutputFileTest, WritingOverLeavesOnlyTheNewBytes) {
  const std::string written = "\tlegend\r\nword\r\n";
  const WriteOverRow rows[] = {
      {"longer file cut", "old content that must go, and more of it"},
      {"shorter file grown", "old"},
      {"same length", std::string(written.size(), 'x')},
      {"empty file", ""},
      {"long file over many buffers", std::string(1 << 20, 'y')},
  };
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  for (const WriteOverRow& row : rows) {
    const std::string path = dir.file("out.txt");
    ASSERT_TRUE(write_bytes(path, row.old_bytes)) << row.name;
    OutputFile out;
    ASSERT_TRUE(out.create(path.c_str())) << row.name;
    EXPECT_TRUE(out.write("\tlegend\n", LineEnds::kCrLf)) << row.name;
    EXPECT_TRUE(out.write("word\n", LineEnds::kCrLf)) << row.name;
    EXPECT_TRUE(out.close()) << row.name;
    EXPECT_EQ(read_bytes(path), written) << row.name;
  }
}

// A file given up before close() (its partner could not be created) holds
// what was written to it, and none of what it held before.
TEST(OutputFileTest, DroppedFileHoldsOnlyWhatWasWritten) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string path = dir.file("out.txt");
  for (const std::string& bytes : {std::string(), std::string("new")}) {
    ASSERT_TRUE(write_bytes(path, "old content that must go"));
    {
      OutputFile out;
      ASSERT_TRUE(out.create(path.c_str()));
      if (!bytes.empty()) {
        EXPECT_TRUE(out.write(bytes, LineEnds::kAsIs));
      }
    }
    EXPECT_EQ(read_bytes(path), bytes);
  }
}

// A write that fails part-way over a file keeps neither its old bytes nor a
// mix of old and new: the file is left empty. The failure is a file size
// limit, which refuses the bytes past it on any file system.
TEST(OutputFileTest, FailedWriteOverLeavesNothing) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string path = dir.file("out.txt");
  ASSERT_TRUE(write_bytes(path, std::string(1000, 'o')));
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto saved_signal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool closed = true;
  {
    OutputFile out;
    if (out.create(path.c_str())) {
      out.write(std::string(100, 'n'), LineEnds::kAsIs);
      out.write(std::string(1 << 16, 'n'), LineEnds::kAsIs);
      closed = out.close();
    }
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, saved_signal);
  EXPECT_FALSE(closed);
  EXPECT_EQ(read_bytes(path), "");
}

TEST(OutputFileTest, LostBytesMakeCloseFail) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  // /dev/full accepts the open and refuses every byte: the loss shows only
  // when the buffer is flushed.
  const std::string path = dir.file("full.txt");
  ASSERT_EQ(symlink("/dev/full", path.c_str()), 0);
  OutputFile out;
  ASSERT_TRUE(out.create(path.c_str()));
  out.write("zhid=id;", LineEnds::kAsIs);
  EXPECT_FALSE(out.close());
}

TEST(OutputFileTest, FailuresStickOnceMet) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  OutputFile out;
  EXPECT_FALSE(out.create(dir.file("no/such/folder.txt").c_str()));
  EXPECT_FALSE(out.write("a", LineEnds::kAsIs));
  EXPECT_FALSE(out.close());

  // A write too big for the buffer fails at once; later writes fail too.
  const std::string path = dir.file("full.txt");
  ASSERT_EQ(symlink("/dev/full", path.c_str()), 0);
  OutputFile full;
  ASSERT_TRUE(full.create(path.c_str()));
  EXPECT_FALSE(full.write(std::string(1 << 20, 'a'), LineEnds::kAsIs));
  EXPECT_FALSE(full.write("b", LineEnds::kAsIs));
  EXPECT_FALSE(full.close());
}

}  // namespace
}  // namespace codetwin::platform
