#include "tests/platform/win32/child.h"

#include <string>
#include <vector>

#include "platform/interrupt.h"
#include "platform/paths.h"
#include "platform/tool_console.h"
#include "tests/platform/temp_dir.h"

namespace codetwin::testing {

namespace {

namespace fs = std::filesystem;
namespace platform = codetwin::platform;

// Writes each argument after the mode (given[0]) and FILE (given[1]), each
// ended by a NUL, to FILE.
int print_arguments(const std::vector<std::string>& given) {
  platform::AtomicOutput out;
  if (given.size() < 2 || !out.open(platform::path_from_name(given[1]))) return 2;
  for (std::size_t i = 2; i < given.size(); ++i) out.write(given[i] + '\0');
  return out.commit() ? 0 : 3;
}

// Prints a text and a name on standard output and a progress line on
// standard error, as the console's charset has them.
int print_texts() {
  platform::init_tool_console();
  const bool written =
      platform::write_stdout(platform::text_for_console("\xE5\xAF\xB9\xE6\x95\xB0\xEF\xBC\x9A"
                                                        "3\n")) &&
      platform::write_stdout(platform::name_for_console("\xE4\xBD\x9C\xE4\xB8\x9A\n.c")) &&
      platform::write_stdout("\n") &&
      platform::write_stderr(platform::text_for_console("\xE8\xBF\x9B\xE5\xBA\xA6 50%\r"));
  return written && platform::flush_stdout() ? 0 : 1;
}

// Waits, a bounded time, for an interrupt; 130 when it came.
int wait_for_interrupt() {
  platform::catch_interrupts();
  // Tells the parent the handler is in place.
  if (!platform::write_stdout("ready\n") || !platform::flush_stdout()) return 2;
  for (int i = 0; i < 30000 && !platform::interrupted(); ++i) Sleep(1);
  return platform::interrupted() ? platform::kInterruptedStatus : 1;
}

std::wstring own_path() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD size = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (size < path.size()) {
      path.resize(size);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

HANDLE inheritable_file(const fs::path& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::optional<int> run_child_mode(int argc, char** argv) {
  if (argc < 2) return std::nullopt;
  const std::string_view mode = argv[1];
  if (mode == kPrintArguments) {
    return print_arguments(platform::arguments(argc, argv));
  }
  if (mode == kPrintTexts) return print_texts();
  if (mode == kWaitForInterrupt) return wait_for_interrupt();
  return std::nullopt;
}

std::optional<ChildResult> run_self(const std::wstring& arguments, const fs::path& folder,
                                    DWORD creation_flags) {
  const fs::path out_path = folder / "child.out", err_path = folder / "child.err";
  HANDLE out = inheritable_file(out_path), err = inheritable_file(err_path);
  const std::wstring self = own_path();
  std::wstring command_line = quote_argument(self) + L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const bool started = out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
                       CreateProcessW(self.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                                      creation_flags, nullptr, nullptr, &startup, &process);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
  if (!started) return std::nullopt;
  ChildResult result;
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &result.exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  result.out = read_bytes(out_path);
  result.err = read_bytes(err_path);
  return result;
}

std::wstring quote_argument(std::wstring_view argument) {
  // Backslashes are literal except before a quote: there each one is
  // doubled, and the quote escaped; those before the closing quote are
  // doubled too.
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t ch : argument) {
    if (ch == L'\\') {
      ++backslashes;
      continue;
    }
    if (ch == L'"') {
      out.append(backslashes * 2 + 1, L'\\');
    } else {
      out.append(backslashes, L'\\');
    }
    backslashes = 0;
    out += ch;
  }
  out.append(backslashes * 2, L'\\');
  out += L'"';
  return out;
}

}  // namespace codetwin::testing
