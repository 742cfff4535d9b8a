// A tool's standard streams on POSIX: C stdio, bytes as they are.
#include <unistd.h>

#include <cstdio>

#include "platform/tool_console.h"

namespace codetwin::platform {

namespace {

bool write_to(std::FILE* stream, std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
}

}  // namespace

std::string name_for_console(std::string_view name) {
  return escape_name(name, console_charset() == Charset::kUtf8);
}

bool write_stdout(std::string_view bytes) { return write_to(stdout, bytes); }

bool write_stderr(std::string_view bytes) {
  return write_to(stderr, bytes) && std::fflush(stderr) == 0;
}

// An error met by an earlier write counts too, though fflush itself passed.
bool flush_stdout() { return std::fflush(stdout) == 0 && std::ferror(stdout) == 0; }

bool stderr_is_terminal() { return isatty(STDERR_FILENO) != 0; }

std::vector<std::string> arguments(int argc, char** argv) {
  std::vector<std::string> given;
  for (int i = 1; i < argc; ++i) given.emplace_back(argv[i]);
  return given;
}

}  // namespace codetwin::platform
