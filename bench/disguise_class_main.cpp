// disguise_class CORPUS_DIR OUT_DIR SEED: for each exercise folder of the
// corpus, writes OUT_DIR/<exercise>/ (its originals and disguised copies,
// named anew) and OUT_DIR/<exercise>.tsv (what each file is); see
// class_maker.h. Never writes into the corpus; refuses an OUT_DIR/<exercise>
// that is not empty.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>

#include "bench/class_maker.h"

namespace {

bool parse(std::string_view text, std::uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t seed = 0;
  if (argc != 4 || !parse(argv[3], seed)) {
    std::fprintf(stderr, "usage: disguise_class CORPUS_DIR OUT_DIR SEED\n");
    return 2;
  }
  std::string error;
  if (!codetwin::bench::write_classes(argv[1], argv[2], seed, &error)) {
    std::fprintf(stderr, "disguise_class: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
