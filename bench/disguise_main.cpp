// disguise: one disguised copy of a C source, as disguise.h makes it.
//
//   disguise plain|padded|extended SEED SOURCE OUT
//   disguise partial SEED X Y OUT      (Y with about half of X's code)
//   disguise group SEED SOURCE OUT1 OUT2
//
// The copy is written byte for byte; the source is only read.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "bench/byte_files.h"
#include "bench/disguise.h"

namespace {

using codetwin::bench::DisguiseKind;

constexpr int kUsage = 2;

int usage() {
  std::fprintf(stderr,
               "usage: disguise plain|padded|extended SEED SOURCE OUT\n"
               "       disguise partial SEED X Y OUT\n"
               "       disguise group SEED SOURCE OUT1 OUT2\n");
  return kUsage;
}

bool parse(std::string_view text, std::uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::optional<std::string> read(const char* path) {
  std::optional<std::string> bytes = codetwin::bench::read_bytes(path);
  if (!bytes) std::fprintf(stderr, "disguise: cannot read %s\n", path);
  return bytes;
}

bool write(const char* path, const std::string& bytes) {
  if (codetwin::bench::write_bytes(path, bytes)) return true;
  std::fprintf(stderr, "disguise: cannot write %s\n", path);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return usage();
  const std::optional<DisguiseKind> kind = codetwin::bench::kind_named(argv[1]);
  std::uint64_t seed = 0;
  if (!kind || !parse(argv[2], seed)) return usage();
  const bool two_inputs = *kind == DisguiseKind::kPartial;
  const bool two_outputs = *kind == DisguiseKind::kGroup;
  if (argc != 5 + (two_inputs || two_outputs ? 1 : 0)) return usage();
  const std::optional<std::string> source = read(argv[3]);
  if (!source) return 1;
  std::vector<std::string> copies;
  switch (*kind) {
    case DisguiseKind::kPlain:
      copies.push_back(codetwin::bench::disguise_plain(*source, seed));
      break;
    case DisguiseKind::kPadded:
      copies.push_back(codetwin::bench::disguise_padded(*source, seed));
      break;
    case DisguiseKind::kExtended:
      copies.push_back(codetwin::bench::disguise_extended(*source, seed));
      break;
    case DisguiseKind::kPartial: {
      const std::optional<std::string> other = read(argv[4]);
      if (!other) return 1;
      copies.push_back(codetwin::bench::disguise_partial(*source, *other, seed));
      break;
    }
    case DisguiseKind::kGroup:
      for (std::string& copy : codetwin::bench::disguise_group(*source, seed)) {
        copies.push_back(std::move(copy));
      }
      break;
  }
  const int first_output = two_inputs ? 5 : 4;
  for (std::size_t k = 0; k < copies.size(); ++k) {
    if (!write(argv[first_output + static_cast<int>(k)], copies[k])) return 1;
  }
  return 0;
}
