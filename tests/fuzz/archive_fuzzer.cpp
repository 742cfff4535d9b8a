// Fuzz target: the archive reader on arbitrary bytes, as an archive of any
// format read here (zip, 7z, tar and its compressions), every file wanted.
//
// Whatever the bytes, the tree must hold to what archive.h promises: each
// name UTF-8, relative, without "." or ".." or empty parts; no file over
// its bound; the bytes returned within the run's bound. When the first
// byte is odd, the names' charset is given (GBK) instead of guessed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "archive/archive.h"
#include "common/utf8.h"
#include "tests/fuzz/fuzz_check.h"

namespace codetwin::testing {
namespace {

// Small, so that a bomb is cut short in moments.
constexpr std::uint64_t kFuzzMaxBytes = std::uint64_t{4} << 20;

void check_name(const std::string& name) {
  FUZZ_CHECK(!name.empty());
  FUZZ_CHECK(is_valid_utf8(name));
  FUZZ_CHECK(name.front() != '/');
  std::size_t begin = 0;
  while (begin <= name.size()) {
    std::size_t end = name.find('/', begin);
    if (end == std::string::npos) end = name.size();
    const std::string_view part = std::string_view(name).substr(begin, end - begin);
    FUZZ_CHECK(!part.empty() && part != "." && part != "..");
    begin = end + 1;
  }
}

}  // namespace
}  // namespace codetwin::testing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace codetwin;
  const std::string_view input = testing::as_chars(data, size);
  std::optional<std::string> charset;
  if (!input.empty() && (input[0] & 1) != 0) charset = "GBK";
  archive::Reader reader(charset, testing::kFuzzMaxBytes);
  const archive::Tree tree = reader.read_bytes(input, [](std::string_view) { return true; });
  std::uint64_t returned = 0;
  for (const archive::File& file : tree.files) {
    testing::check_name(file.name);
    FUZZ_CHECK(is_valid_utf8(file.unreadable));
    FUZZ_CHECK(file.bytes == nullptr || file.unreadable.empty());
    if (file.bytes == nullptr) continue;
    FUZZ_CHECK(file.bytes->size() <= archive::kMaxFileBytes);
    returned += file.bytes->size();
  }
  FUZZ_CHECK(returned <= testing::kFuzzMaxBytes);
  for (const archive::Skipped& skipped : tree.skipped) FUZZ_CHECK(is_valid_utf8(skipped.name));
  FUZZ_CHECK(tree.files.empty() || !tree.empty);
  return 0;
}
