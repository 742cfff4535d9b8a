// POSIX console: stub until the terminal support lands.
#include <cstdio>

#include "platform/console.h"

namespace codetwin::platform {

void init_console() {}
void clear_console() {}
void print(std::string_view gbk) { std::fwrite(gbk.data(), 1, gbk.size(), stdout); }
void flush_console() { std::fflush(stdout); }
int read_char() {
  flush_console();
  int ch = std::getchar();
  return ch == EOF ? kEndOfInput : ch;
}
int read_key() { return read_char(); }
void open_in_viewer(const char*) {}

}  // namespace codetwin::platform
