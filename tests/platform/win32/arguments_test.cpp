// The command line on Windows: arguments reach the program as UTF-8 from
// the wide command line, whatever the ANSI code page, with the quoting
// rules of CommandLineToArgvW.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "platform/win32_text.h"
#include "tests/platform/temp_dir.h"
#include "tests/platform/win32/child.h"

namespace codetwin::platform {
namespace {

using codetwin::testing::kPrintArguments;
using codetwin::testing::quote_argument;
using codetwin::testing::read_bytes;
using codetwin::testing::run_self;
using codetwin::testing::TempDir;

std::vector<std::string> split_at_nul(const std::string& bytes) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1) {
    parts.push_back(bytes.substr(start, end - start));
  }
  return parts;
}

TEST(ArgumentsWin32Test, ArgumentsArriveAsUtf8) {
  const std::vector<std::string> given = {
      "\xE4\xBD\x9C\xE4\xB8\x9A.c",  // 作业.c: not in the ANSI code page
      "class folder\\a b.c",         // a space, a backslash
      "",                            // empty
      "say \"hi\".c",                // quotes
      "trailing\\",                  // a backslash before the closing quote
      "\xF0\x9F\x98\x80.c",          // outside the BMP
      "--min=0.8",
  };
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::filesystem::path record = dir.path() / "arguments.bin";
  std::wstring command_line =
      win32::to_wide(kPrintArguments, CP_UTF8) + L" " + quote_argument(record.native());
  for (const std::string& argument : given) {
    command_line += L" " + quote_argument(win32::to_wide(argument, CP_UTF8));
  }
  const auto child = run_self(command_line, dir.path());
  ASSERT_TRUE(child.has_value());
  EXPECT_EQ(child->exit_code, 0u) << child->err;
  EXPECT_EQ(split_at_nul(read_bytes(record)), given);
}

}  // namespace
}  // namespace codetwin::platform
