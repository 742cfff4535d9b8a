// A tool's console on Windows: a pipe or a file gets the charset's bytes
// with CR LF, as codetwin's output does; a real console gets the same text
// through WriteConsoleW whatever its code page.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/tool_console.h"
#include "platform/win32_text.h"
#include "tests/platform/temp_dir.h"
#include "tests/platform/win32/child.h"

namespace codetwin::platform {
namespace {

using codetwin::testing::kPrintTexts;
using codetwin::testing::run_self;
using codetwin::testing::TempDir;

TEST(ToolConsoleWin32Test, FilesGetGbkWithCrLf) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const auto child = run_self(win32::to_wide(kPrintTexts, CP_UTF8), dir.path());
  ASSERT_TRUE(child.has_value());
  EXPECT_EQ(child->exit_code, 0u);
  // 对数：3, then 作业\n.c with its line end escaped, in GBK.
  EXPECT_EQ(child->out,
            "\xB6\xD4\xCA\xFD\xA3\xBA"
            "3\r\n\xD7\xF7\xD2\xB5\\n.c\r\n");
  // 进度 50%, its CR kept for redrawing.
  EXPECT_EQ(child->err, "\xBD\xF8\xB6\xC8 50%\r");
}

// The characters at the start of the console's first row.
std::wstring first_row(HANDLE console, std::size_t count) {
  std::wstring row(count, L'\0');
  DWORD read = 0;
  ReadConsoleOutputCharacterW(console, row.data(), static_cast<DWORD>(count), COORD{0, 0}, &read);
  row.resize(read);
  return row;
}

TEST(ToolConsoleWin32Test, ConsoleShowsChineseInAnyCodePage) {
  // A console of our own, in place of standard output (the one the tests
  // write to is a pipe or a file).
  FreeConsole();
  if (!AllocConsole()) GTEST_SKIP() << "no console can be made here";
  HANDLE console =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD mode = 0;
  if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) {
    FreeConsole();
    GTEST_SKIP() << "the console made here does not work (Wine without a terminal)";
  }
  HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
  ASSERT_TRUE(SetStdHandle(STD_OUTPUT_HANDLE, console));
  struct Row {
    UINT code_page;
    Charset charset;
  };
  for (const Row row :
       {Row{437, Charset::kGbk}, Row{936, Charset::kGbk}, Row{CP_UTF8, Charset::kUtf8}}) {
    SetConsoleOutputCP(row.code_page);
    init_tool_console();
    EXPECT_EQ(console_charset(), row.charset) << row.code_page;
    // Cleared: the row is written from the top left corner.
    DWORD written = 0;
    FillConsoleOutputCharacterW(console, L' ', 200, COORD{0, 0}, &written);
    SetConsoleCursorPosition(console, COORD{0, 0});
    EXPECT_TRUE(write_stdout(text_for_console("\xE5\xAF\xB9\xE6\x95\xB0 3")))  // 对数 3
        << row.code_page;
    EXPECT_EQ(first_row(console, 4), L"\u5BF9\u6570 3") << row.code_page;
  }
  SetStdHandle(STD_OUTPUT_HANDLE, saved);
  CloseHandle(console);
  FreeConsole();
}

}  // namespace
}  // namespace codetwin::platform
