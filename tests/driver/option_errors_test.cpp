// Command-line errors in Chinese: each kind of mistake CLI11 reports, on a
// parser with every kind of check, and codetwin-class's own command line.
#include "driver/option_errors.h"

#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

#include "driver/class_options.h"

namespace codetwin::driver {
namespace {

struct Row {
  const char* name;
  std::vector<std::string> args;
  std::string message;
};

// A parser with each kind of check that CLI11 has and a message for.
std::string message_of(const std::vector<std::string>& args) {
  CLI::App app("test", "test");
  std::vector<std::string> paths;
  unsigned count = 0;
  int offset = 0;
  double ratio = 0;
  double scale = 1;
  std::size_t many = 0;
  std::string mode;
  std::string name;
  bool flag = false;
  app.add_option("paths", paths);
  app.add_option("--count", count)->check(CLI::Range(1u, 64u));
  app.add_option("--offset", offset);
  app.add_option("--ratio", ratio)->check(CLI::Range(0.0, 1.0));
  app.add_option("--scale", scale)->check(CLI::PositiveNumber);
  app.add_option("--many", many)->check(CLI::NonNegativeNumber);
  app.add_option("--mode", mode)->check(CLI::IsMember({"fast", "slow"}));
  CLI::Option* named = app.add_option("--name", name);
  CLI::Option* alone = app.add_flag("--alone", flag);
  app.add_option("--needs-name", mode)->needs(named);
  alone->excludes(named);
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    return option_error_text(error, app);
  }
  return "(accepted)";
}

TEST(OptionErrorsTest, EachKindOfMistake) {
  const Row rows[] = {
      {"unknown option", {"a", "--frobnicate"}, "不认识的选项：--frobnicate"},
      {"two unknown options", {"--part", "--shard", "a"}, "不认识的选项：--part --shard"},
      {"value of a flag", {"--alone=maybe"}, "--alone 不带值，而给出了 maybe"},
      {"value missing at the end", {"a", "--count"}, "--count 后面缺少非负整数"},
      {"text missing", {"a", "--name"}, "--name 后面缺少值"},
      {"number missing", {"--ratio="}, "--ratio 后面缺少数"},
      {"given twice", {"--count", "1", "--count", "2"}, "--count 只能给出一次"},
      {"not an integer", {"--offset", "1.5"}, "--offset 的值应是整数，而不是 1.5"},
      {"word for a whole number", {"--count", "many"}, "--count 的值应是非负整数，而不是 many"},
      {"out of range", {"--count", "65"}, "--count 的值应在 1 到 64 之间，而不是 65"},
      {"zero below range", {"--count", "0"}, "--count 的值应在 1 到 64 之间，而不是 0"},
      {"fraction above range", {"--ratio", "1.5"}, "--ratio 的值应在 0 到 1 之间，而不是 1.5"},
      {"word for a fraction", {"--ratio", "half"}, "--ratio 的值应是数，而不是 half"},
      {"negative", {"--many", "-3"}, "--many 的值不能是负数：-3"},
      {"not positive", {"--scale", "0"}, "--scale 的值应大于 0，而不是 0"},
      {"not a member", {"--mode", "medium"}, "--mode 的值只能是 fast、slow 之一，而不是 medium"},
      {"needs another", {"--needs-name", "x"}, "--needs-name 须与 --name 一起给出"},
      {"excludes another", {"--alone", "--name", "x"}, "--name 与 --alone 不能同时给出"},
  };
  for (const Row& row : rows) EXPECT_EQ(message_of(row.args), row.message) << row.name;
}

TEST(OptionErrorsTest, GoodCommandLinesAreAccepted) {
  EXPECT_EQ(message_of({"a", "b", "--count", "64", "--ratio", "0.5", "--mode", "fast"}),
            "(accepted)");
}

// codetwin-class's own command line, through parse_command_line.
TEST(OptionErrorsTest, CodetwinClassCommandLine) {
  const Row rows[] = {
      {"unknown options", {"class", "--piece", "--slice"}, "不认识的选项：--piece --slice"},
      {"top a word", {"class", "--top", "abc"}, "--top 的值应是非负整数，而不是 abc"},
      {"top negative", {"class", "--top", "-3"}, "--top 的值不能是负数：-3"},
      {"top a fraction", {"class", "--top", "1.5"}, "--top 的值应是非负整数，而不是 1.5"},
      {"top twice", {"class", "--top", "1", "--top", "2"}, "--top 只能给出一次"},
      {"min above 1", {"class", "--min", "1.5"}, "--min 的值应在 0 到 1 之间，而不是 1.5"},
      {"min a word", {"class", "--min", "x"}, "--min 的值应是数，而不是 x"},
      {"group-at without its value", {"class", "--group-at"}, "--group-at 后面缺少数"},
      {"sort unknown", {"class", "--sort", "name"},
       "--sort 的值只能是 evidence、similarity、margin 之一，而不是 name"},
      {"min not a number at all", {"class", "--min", "nan"}, "--min 的值应在 0 到 1 之间，而不是 nan"},
      {"flag-at zero", {"class", "--flag-at", "0"}, "--flag-at 的值应大于 0、不大于 2，而不是 0"},
      {"flag-at above 2", {"class", "--flag-at", "3"}, "--flag-at 的值应大于 0、不大于 2，而不是 3"},
      {"flag-at a word", {"class", "--flag-at", "high"}, "--flag-at 的值应是数，而不是 high"},
      {"common one", {"class", "--common", "1"}, "--common 的值应在 2 到 2147483648 之间，而不是 1"},
      {"common a word", {"class", "--common", "many"}, "--common 的值应是非负整数，而不是 many"},
      {"jobs zero", {"class", "-j", "0"}, "--jobs 的值应在 1 到 1024 之间，而不是 0"},
      {"jobs a word", {"class", "-jx"}, "--jobs 的值应是非负整数，而不是 x"},
      {"csv without its file", {"class", "--csv"}, "--csv 后面缺少值"},
      {"old without its path", {"class", "--old"}, "--old 后面缺少值"},
      {"flag with a value", {"class", "--ignore-comments=abc"},
       "--ignore-comments 不带值，而给出了 abc"},
      {"html-pairs negative", {"class", "--html-pairs", "-1"}, "--html-pairs 的值不能是负数：-1"},
  };
  for (const Row& row : rows) {
    const ParsedCommandLine parsed = parse_command_line(row.args);
    EXPECT_EQ(parsed.action, ParsedCommandLine::Action::kUsageError) << row.name;
    EXPECT_EQ(parsed.error, row.message) << row.name;
  }
}

}  // namespace
}  // namespace codetwin::driver
