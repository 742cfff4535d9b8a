// Fuzz target: the token-file loader (and the writer it reads after) on
// arbitrary bytes, through real files.
//
// The bytes are written as a token file is written, checked on disk, and
// loaded as the comparer loads a token file: the result must be the plain
// reference's text. Written with CR LF line ends, as the list file is, they
// must load back unchanged. When the first byte ends in two set bits, the
// rest is put just before the reader's chunk boundary, where a CR LF pair can
// be cut in two (one input in four: the padding makes those runs slow).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "common/text_mode.h"
#include "platform/files.h"
#include "tests/fuzz/fuzz_check.h"

namespace codetwin::testing {
namespace {

namespace fs = std::filesystem;

// The size of the reader's chunks: a file is read 64 KiB at a time.
constexpr std::size_t kReadChunk = 1 << 16;

// One folder per process for the whole campaign, removed at exit.
class FuzzDir {
 public:
  FuzzDir() {
    std::string pattern = (fs::temp_directory_path() / "codetwin-fuzz-XXXXXX").string();
    FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
    path_ = pattern;
    file_ = path_ + "/token1.txt";
  }
  ~FuzzDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const char* file() const { return file_.c_str(); }

 private:
  std::string path_;
  std::string file_;
};

std::string contents(std::string_view input) {
  if (input.empty() || (input[0] & 3) != 3) return std::string(input);
  const std::size_t before_boundary = static_cast<unsigned char>(input[0]) >> 2 & 7;
  return std::string(kReadChunk - before_boundary, 'a').append(input.substr(1));
}

void write_file(const char* path, std::string_view bytes, LineEnds line_ends) {
  platform::OutputFile file;
  FUZZ_CHECK(file.create(path));
  FUZZ_CHECK(file.write(bytes, line_ends));
  FUZZ_CHECK(file.close());
}

std::string bytes_on_disk(const char* path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  FUZZ_CHECK(in.good());
  std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
  in.seekg(0);
  FUZZ_CHECK(in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())).good() ||
             bytes.empty());
  return bytes;
}

}  // namespace
}  // namespace codetwin::testing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace codetwin;
  using namespace codetwin::testing;
  static const FuzzDir dir;
  const std::string raw = contents(as_chars(data, size));

  write_file(dir.file(), raw, LineEnds::kAsIs);
  FUZZ_CHECK(bytes_on_disk(dir.file()) == raw);
  std::optional<std::string> loaded = platform::read_text_file(dir.file());
  FUZZ_CHECK(loaded.has_value() && *loaded == reference_text_mode(raw));

  if (raw.find('\x1A') == std::string::npos) {
    write_file(dir.file(), raw, LineEnds::kCrLf);
    loaded = platform::read_text_file(dir.file());
    FUZZ_CHECK(loaded.has_value() && *loaded == raw);
  }
  return 0;
}
