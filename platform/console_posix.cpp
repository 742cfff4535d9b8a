// The console on POSIX: a terminal (or a pipe, or a file) and the desktop's
// opener command.
//
// Text goes out through stdout and comes in through stdin, both C stdio, so
// the two reads share one input buffer: what one read left behind, the next
// one gets. The terminal is touched only while a key is awaited, and its
// settings are put back before read_key returns.
#include <fcntl.h>
#include <langinfo.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/console.h"
#include "platform/encoding.h"

namespace codetwin::platform {

namespace {

// Home the cursor, then erase the whole screen (ANSI / VT100).
constexpr std::string_view kClearScreen = "\x1b[H\x1b[2J";

// The command that opens a file in the desktop's default application.
#ifdef __APPLE__
constexpr const char* kViewer = "open";
#else
constexpr const char* kViewer = "xdg-open";
#endif

// Set once by init_console; until then text goes out as GBK.
bool convert_to_utf8 = false;

void write_out(std::string_view bytes) {
  // Nothing useful can be done when the console refuses output: the dialogue
  // goes on and the exit status still tells the outcome.
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) std::clearerr(stdout);
}

// The locale the environment asks for, by the usual precedence.
std::string_view requested_locale() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return value;
  }
  return "";
}

// A read that has met the end of input (or a failing terminal) once returns
// at once from then on, whatever the C library does with later reads.
bool input_ended() { return std::feof(stdin) != 0 || std::ferror(stdin) != 0; }

int next_input_byte() {
  int ch = std::getchar();
  return ch == EOF ? kEndOfInput : ch;
}

// Runs the viewer on `path` in a grandchild: the child that forks it exits at
// once and is reaped here, so the viewer belongs to init and never lingers as
// our zombie, and we never wait for it. Only _exit and async-signal-safe
// calls after fork.
void spawn_detached(const char* path) {
  pid_t child = fork();
  if (child < 0) return;
  if (child == 0) {
    if (fork() != 0) _exit(0);
    setsid();  // off our terminal: closing the console leaves the viewer up
    int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
      dup2(null_fd, STDIN_FILENO);
      dup2(null_fd, STDOUT_FILENO);
      dup2(null_fd, STDERR_FILENO);
      if (null_fd > STDERR_FILENO) close(null_fd);
    }
    char* argv[] = {const_cast<char*>(kViewer), const_cast<char*>(path), nullptr};
    execvp(kViewer, argv);
    _exit(127);  // no viewer: nothing to report, by design
  }
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

void init_console() {
  // Only the character set matters here. Loading the other categories too
  // (each a file to open and map) was a measurable part of a short run, and
  // leaving them alone keeps number formatting in the "C" locale.
  if (std::setlocale(LC_CTYPE, "") != nullptr) {
    convert_to_utf8 = is_utf8_codeset(nl_langinfo(CODESET));
  } else {
    // The requested locale is not installed, yet its name still tells what
    // the terminal shows (a bare "en_US.UTF-8" on a minimal system).
    convert_to_utf8 = is_utf8_codeset(requested_locale());
  }
}

bool console_shows_utf8() { return convert_to_utf8; }

void clear_console() {
  if (isatty(STDOUT_FILENO)) write_out(kClearScreen);
}

void print(std::string_view gbk) {
  // Each call is taken as whole text: a GBK character split across two calls
  // would print as two U+FFFD. Callers pass whole texts and whole strings.
  if (convert_to_utf8) {
    write_out(gbk_to_utf8(gbk));
  } else {
    write_out(gbk);
  }
}

void flush_console() {
  if (std::fflush(stdout) != 0) std::clearerr(stdout);
}

int read_char() {
  flush_console();
  if (input_ended()) return kEndOfInput;
  return next_input_byte();
}

int read_key() {
  if (input_ended()) {
    flush_console();
    return kEndOfInput;
  }
  termios saved;
  bool raw = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
  if (raw) {
    termios key_mode = saved;
    // ISIG off too: Ctrl-C is a key like any other here, rather than a signal
    // that would end the program with the terminal left without echo.
    key_mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
    key_mode.c_cc[VMIN] = 1;
    key_mode.c_cc[VTIME] = 0;
    // TCSANOW keeps keys typed ahead. The switch comes before the prompt is
    // flushed, so a key pressed as soon as the prompt shows is already read
    // without echo and without Enter.
    // If the terminal refuses, the key is read as a line, echoed: still read.
    raw = tcsetattr(STDIN_FILENO, TCSANOW, &key_mode) == 0;
  }
  flush_console();
  // The same stdio stream as read_char: a key left in its buffer by an
  // earlier read answers at once.
  int key = next_input_byte();
  if (raw) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  return key;
}

void open_in_viewer(const char* path) {
  // A child inherits the stdio buffer: flushed first, it cannot be written twice.
  flush_console();
  spawn_detached(path);
}

}  // namespace codetwin::platform
