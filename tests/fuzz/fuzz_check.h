// What the fuzz targets share: a check that stops the run on the spot, so that
// libFuzzer keeps the input, and the obvious text-mode reader they compare the
// program's one against.
#ifndef CODETWIN_TESTS_FUZZ_FUZZ_CHECK_H_
#define CODETWIN_TESTS_FUZZ_FUZZ_CHECK_H_

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace codetwin::testing {

[[noreturn]] inline void fuzz_check_failed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}

// Not assert(): it must hold in release builds too.
#define FUZZ_CHECK(condition) \
  ((condition) ? void() : ::codetwin::testing::fuzz_check_failed(#condition, __FILE__, __LINE__))

inline std::string_view as_chars(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

/// Text mode read the plain way: the bytes before the first Ctrl-Z, without
/// each CR that directly precedes an LF.
inline std::string reference_text_mode(std::string_view raw) {
  raw = raw.substr(0, raw.find('\x1A'));
  std::string text;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text.push_back(raw[i]);
  }
  return text;
}

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_FUZZ_FUZZ_CHECK_H_
