// Class files: a class read once comes back as it was read, profiles and
// sources included, and a damaged or malformed file is refused.
#include "shard/class_file.h"

#include <gtest/gtest.h>

#include <memory>

#include "shard/part_file.h"
#include "tests/shard/small_class.h"

namespace codetwin::shard {
namespace {

using classrun::Submission;

// The small class, some submissions of two files, some whose code differs
// from their token string; one skipped, and template code.
ReadClass small_read_class() {
  ReadClass read;
  read.arguments = {"class", "--ignore-comments", "--common", "3"};
  read.submissions = small_class([](Submission& s, int k) {
    s.length -= k == 2 ? 5 : 0;
    if (k % 3 == 0) {
      s.code_is_tokens = false;
      s.code_tokens = s.tokens.substr(0, s.tokens.size() / 2);
    }
    for (int f = 0; f < 1 + k % 2; ++f) {
      classrun::SourceFile file;
      file.name = s.name + "/f" + std::to_string(f) + ".c";
      file.path = "/class/" + file.name;
      file.contents = std::make_shared<const std::string>("int f" + std::to_string(f) + ";\r\n");
      s.files.push_back(std::move(file));
    }
  });
  read.skipped.push_back({"s9", "s9/a.c", "无法读取"});
  Submission base;
  base.name = "base.c";
  base.files.push_back({"/base.c", "base.c"});
  base.tokens = "IM(){}";
  base.length = 6;
  read.base = std::move(base);
  return read;
}

TEST(ClassFileTest, ReadsBackWhatWasRead) {
  const ReadClass read = small_read_class();
  const std::string bytes = encode_class(read);
  for (Sources sources : {Sources::kKeep, Sources::kLeave}) {
    const DecodedClass decoded = decode_class(bytes, sources);
    ASSERT_TRUE(decoded.read) << decoded.error;
    const ReadClass& back = *decoded.read;
    EXPECT_EQ(back.arguments, read.arguments);
    // What scores and merges them: the same strings, hence the same identity.
    EXPECT_EQ(identify(back.submissions), identify(read.submissions));
    ASSERT_EQ(back.submissions.size(), read.submissions.size());
    for (std::size_t k = 0; k < read.submissions.size(); ++k) {
      const Submission& was = read.submissions[k];
      const Submission& is = back.submissions[k];
      EXPECT_EQ(is.length, was.length) << k;
      EXPECT_EQ(is.code(), was.code()) << k;
      EXPECT_EQ(is.profile.distinctive(), was.profile.distinctive()) << k;
      EXPECT_EQ(is.profile.common(), was.profile.common()) << k;
      for (std::size_t p = 0; p < was.code().size(); ++p) {
        ASSERT_EQ(is.profile.is_common(p), was.profile.is_common(p)) << k << " at " << p;
        ASSERT_EQ(is.profile.block_of(static_cast<std::int64_t>(p)),
                  was.profile.block_of(static_cast<std::int64_t>(p)))
            << k << " at " << p;
      }
      ASSERT_EQ(is.files.size(), was.files.size()) << k;
      for (std::size_t f = 0; f < was.files.size(); ++f) {
        EXPECT_EQ(is.files[f].name, was.files[f].name);
        EXPECT_EQ(is.files[f].path, was.files[f].path);
        if (sources == Sources::kKeep) {
          ASSERT_NE(is.files[f].contents, nullptr);
          EXPECT_EQ(*is.files[f].contents, *was.files[f].contents);
        } else {
          EXPECT_EQ(is.files[f].contents, nullptr);
        }
      }
    }
    ASSERT_EQ(back.skipped.size(), 1u);
    EXPECT_EQ(back.skipped[0].reason, "无法读取");
    ASSERT_TRUE(back.base);
    EXPECT_EQ(template_digest(*back.base), template_digest(*read.base));
    EXPECT_EQ(back.base->files.front().path, read.base->files.front().path);
    // Kept whole, it is written as the same bytes: nothing was lost.
    if (sources == Sources::kKeep) {
      EXPECT_EQ(encode_class(back), bytes);
    }
  }
}

TEST(ClassFileTest, DamagedOrMalformedFilesAreRefused) {
  const ReadClass read = small_read_class();
  const std::string good = encode_class(read);
  std::string edited = good;
  edited[good.size() / 2] ^= 0x01;
  ReadClass unordered = small_read_class();
  std::swap(unordered.submissions[2], unordered.submissions[5]);
  ReadClass too_long = small_read_class();
  too_long.submissions[1].length = static_cast<std::int64_t>(too_long.submissions[1].tokens.size()) + 1;
  const struct {
    const char* what;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"empty", "", "不是 codetwin-class 的班级文件"},
      {"a part", encode_part(Part{}), "不是 codetwin-class 的班级文件"},
      {"cut in half", good.substr(0, good.size() / 2), "班级文件已损坏（校验和不符：被截断或改动过）"},
      {"one bit edited", edited, "班级文件已损坏（校验和不符：被截断或改动过）"},
      {"submissions out of name order", encode_class(unordered), "班级文件的内容不合格式"},
      {"a length beyond its string", encode_class(too_long), "班级文件的内容不合格式"},
  };
  for (const auto& c : cases) {
    for (Sources sources : {Sources::kKeep, Sources::kLeave}) {
      const DecodedClass decoded = decode_class(c.bytes, sources);
      EXPECT_FALSE(decoded.read) << c.what;
      EXPECT_EQ(decoded.error, c.message) << c.what;
    }
  }
}

// A shard reads the file up to the sources, the merge of a report all of
// it: each checks what it reads.
TEST(ClassFileTest, TheSourcesAreReadAndCheckedOnlyWhenKept) {
  const std::string good = encode_class(small_read_class());
  const std::size_t before_sources = bytes_without_sources(good.substr(0, kClassHeaderBytes));
  ASSERT_LT(before_sources, good.size());
  const std::string front = good.substr(0, before_sources);
  std::string source_edited = good;
  source_edited[before_sources + 20] ^= 0x01;

  EXPECT_TRUE(decode_class(front, Sources::kLeave).read);
  EXPECT_TRUE(decode_class(source_edited, Sources::kLeave).read);
  for (const std::string& bytes : {front, source_edited, good.substr(0, good.size() - 1)}) {
    const DecodedClass decoded = decode_class(bytes, Sources::kKeep);
    EXPECT_FALSE(decoded.read);
    EXPECT_EQ(decoded.error, "班级文件已损坏（校验和不符：被截断或改动过）");
  }
  EXPECT_EQ(bytes_without_sources("int main() { return 0; } /* not a class file */"), SIZE_MAX);
}

// Ctrl-C while a big class is decoded: it ends with nothing, and no error
// to show (the caller says it was interrupted).
TEST(ClassFileTest, DecodingStopsWhenAsked) {
  const DecodedClass decoded = decode_class(encode_class(small_read_class()), Sources::kLeave, [] { return true; });
  EXPECT_FALSE(decoded.read);
  EXPECT_EQ(decoded.error, "");
}

}  // namespace
}  // namespace codetwin::shard
