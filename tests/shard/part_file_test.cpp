// Part files: what is written reads back the same, anything damaged is
// refused, and a set of parts is checked to make one run.
#include "shard/part_file.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/shard/small_class.h"

namespace codetwin::shard {
namespace {

using classrun::Submission;

Part scored_part(const std::vector<Submission>& subs, std::uint32_t k, std::uint32_t n) {
  classrun::KeepRules rules;
  rules.top = 4;
  Part part;
  part.k = k;
  part.n = n;
  part.range = classrun::pair_slice(subs, k, n);
  part.arguments = {"--top", "4", "class"};
  part.inputs = identify(subs);
  classrun::PairScorer scorer(subs, rules, 2, part.range);
  EXPECT_TRUE(scorer.wait(std::chrono::minutes(1)));
  part.scores = scorer.take_partial();
  return part;
}

TEST(PartFileTest, ReadsBackWhatWasWritten) {
  const std::vector<Submission> subs = small_class();
  const Part part = scored_part(subs, 1, 3);
  const std::string bytes = encode_part(part);
  const DecodedPart decoded = decode_part(bytes);
  ASSERT_TRUE(decoded.part) << decoded.error;
  // Written again, it is the same bytes: every field came back.
  EXPECT_EQ(encode_part(*decoded.part), bytes);
  EXPECT_EQ(decoded.part->inputs, part.inputs);
  EXPECT_EQ(decoded.part->range, part.range);
  EXPECT_GT(decoded.part->scores.kept.size() + decoded.part->scores.top.size(), 0u);
}

TEST(PartFileTest, DamagedPartsAreRefused) {
  const std::vector<Submission> subs = small_class();
  const std::string good = encode_part(scored_part(subs, 0, 2));
  std::string edited = good;
  edited[good.size() / 2] ^= 0x01;
  std::string appended = good;
  appended.push_back('x');
  std::string other_version = good;
  other_version[std::string_view("codetwin-class part\n").size()] = 9;
  const struct {
    const char* what;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"empty", "", "不是 codetwin-class 的分片结果文件"},
      {"another file", "int main() { return 0; }\n", "不是 codetwin-class 的分片结果文件"},
      {"magic only", good.substr(0, 20), "分片结果文件不完整（被截断）"},
      {"cut in half", good.substr(0, good.size() / 2), "分片结果文件已损坏（校验和不符：被截断或改动过）"},
      {"last byte lost", good.substr(0, good.size() - 1), "分片结果文件已损坏（校验和不符：被截断或改动过）"},
      {"a byte appended", appended, "分片结果文件已损坏（校验和不符：被截断或改动过）"},
      {"one bit edited", edited, "分片结果文件已损坏（校验和不符：被截断或改动过）"},
      {"another version", other_version, "分片结果文件的格式版本是 9，本程序读写的是 1"},
  };
  for (const auto& c : cases) {
    const DecodedPart decoded = decode_part(c.bytes);
    EXPECT_FALSE(decoded.part) << c.what;
    EXPECT_EQ(decoded.error, c.message) << c.what;
  }
}

TEST(PartFileTest, PartsMustMakeOneWholeRun) {
  const std::vector<Submission> subs = small_class();
  std::vector<Part> three;
  for (std::uint32_t k = 0; k < 3; ++k) three.push_back(scored_part(subs, k, 3));
  Part of_two = scored_part(subs, 1, 2);
  Part other_options = three[1];
  other_options.arguments.push_back("--ignore-comments");
  Part other_class = three[1];
  other_class.inputs[2].digest ^= 1;
  const std::vector<std::string> names = {"p0", "p1", "p2"};
  const struct {
    const char* what;
    std::vector<Part> parts;
    std::string message;
  } cases[] = {
      {"all three", {three[0], three[1], three[2]}, ""},
      {"any order", {three[2], three[0], three[1]}, ""},
      {"none", {}, "没有给出分片结果文件"},
      {"one missing", {three[0], three[2]}, "缺少 1 片（共 3 片，从 0 数起）：第 1 片"},
      {"two missing", {three[1]}, "缺少 2 片（共 3 片，从 0 数起）：第 0、2 片"},
      {"one twice", {three[0], three[1], three[1]}, "p1 与 p2 是同一片（第 1 片）"},
      {"another N", {three[0], of_two, three[2]}, "p1 是 2 片中的一片，而 p0 是 3 片中的一片"},
      {"other options", {three[0], other_options, three[2]}, "p1 与 p0 不属于同一次运行（作业或选项不同）"},
      {"a changed submission", {three[0], other_class, three[2]},
       "p1 与 p0 不属于同一次运行（作业或选项不同）"},
  };
  for (const auto& c : cases) EXPECT_EQ(check_parts(c.parts, names), c.message) << c.what;
}

}  // namespace
}  // namespace codetwin::shard
