// The file shells on real files: text-mode reading, CR LF writing, and every
// failure reported rather than lost.
#include "platform/files.h"

#include <unistd.h>

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

TEST(OutputFileTest, CreateTruncatesAndWritesAppend) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string path = dir.file("out.txt");
  ASSERT_TRUE(write_bytes(path, "old content that must go"));
  OutputFile out;
  ASSERT_TRUE(out.create(path.c_str()));
  EXPECT_TRUE(out.write("\tlegend\n", LineEnds::kCrLf));
  EXPECT_TRUE(out.write("word\n", LineEnds::kCrLf));
  EXPECT_TRUE(out.close());
  EXPECT_EQ(read_bytes(path), "\tlegend\r\nword\r\n");
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
