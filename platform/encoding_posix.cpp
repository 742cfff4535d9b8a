// GBK to and from UTF-8 with the C library's iconv.
#include <errno.h>
#include <iconv.h>

#include <array>

#include "platform/encoding.h"

namespace codetwin::platform {

namespace {

// One iconv converter, opened on first use in each thread (a converter
// carries state, so threads cannot share one) and closed with the thread.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts from `*in` on, appending to `out`, until the input ends or
  // iconv stops on something it cannot convert; returns errno then (0 at the
  // end). Starts from the initial state.
  int convert(const char*& in, std::size_t& in_left, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::array<char, 4096> chunk;
    while (in_left > 0) {
      // iconv's interface takes char** but never writes through the input.
      char* in_bytes = const_cast<char*>(in);
      char* out_bytes = chunk.data();
      std::size_t out_left = chunk.size();
      std::size_t done = iconv(cd_, &in_bytes, &in_left, &out_bytes, &out_left);
      int error = errno;
      in = in_bytes;
      out.append(chunk.data(), static_cast<std::size_t>(out_bytes - chunk.data()));
      if (done == static_cast<std::size_t>(-1) && error != E2BIG) return error;
    }
    return 0;
  }

 private:
  iconv_t cd_;
};

// Converts a text that is valid UTF-8 throughout to GBK; each character GBK
// lacks becomes '?'.
void valid_utf8_to_gbk(Converter& converter, std::string_view utf8, std::string& gbk) {
  const char* in = utf8.data();
  std::size_t in_left = utf8.size();
  while (in_left > 0) {
    if (converter.convert(in, in_left, gbk) == 0) break;
    gbk += '?';
    const std::size_t skip = decode_utf8(std::string_view(in, in_left)).length;
    in += skip;
    in_left -= skip;
  }
}

}  // namespace

std::string gbk_to_utf8(std::string_view gbk) {
  // Opened once per thread: every print of a run converts, the details one
  // per string.
  thread_local Converter converter("UTF-8", "GBK");
  // Without a GBK converter the bytes are passed on unchanged: unreadable
  // Chinese, but no text lost.
  if (!converter.ok()) return std::string(gbk);

  std::string utf8;
  utf8.reserve(gbk.size() * 3 / 2);
  const char* in = gbk.data();
  std::size_t in_left = gbk.size();
  while (in_left > 0) {
    if (converter.convert(in, in_left, utf8) == 0) break;
    // EILSEQ (not GBK) or EINVAL (a lead byte ends the text): replace and
    // go on, so one bad byte never costs the rest of the text.
    const std::size_t skip = internal::gbk_invalid_length(std::string_view(in, in_left));
    utf8 += kReplacementUtf8;
    in += skip;
    in_left -= skip;
  }
  return utf8;
}

std::string utf8_to_gbk(std::string_view utf8) {
  thread_local Converter converter("GBK", "UTF-8");
  std::string gbk;
  gbk.reserve(utf8.size());
  std::size_t at = 0;
  while (at < utf8.size()) {
    // The valid run from `at`, converted whole; then the invalid sequence
    // that ended it, if any.
    std::size_t end = at;
    Utf8Char ch;
    while (end < utf8.size() && (ch = decode_utf8(utf8.substr(end))).valid) end += ch.length;
    const std::string_view run = utf8.substr(at, end - at);
    if (converter.ok()) {
      valid_utf8_to_gbk(converter, run, gbk);
    } else {
      // Without a converter only ASCII is certain.
      for (std::size_t i = 0; i < run.size(); i += decode_utf8(run.substr(i)).length) {
        gbk += static_cast<unsigned char>(run[i]) < 0x80 ? run[i] : '?';
      }
    }
    if (end < utf8.size()) {
      gbk += '?';
      end += ch.length;
    }
    at = end;
  }
  return gbk;
}

}  // namespace codetwin::platform
