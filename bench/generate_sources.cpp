// generate_sources DIR BYTES [SEED]: writes DIR/file1.c, a generated C
// program of at least BYTES bytes, and DIR/file2.c, a disguised copy of it,
// with the token strings their words should give beside them
// (expected_token1.txt, expected_token2.txt). For whole-program runs.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "bench/generate.h"
#include "platform/files.h"

namespace {

bool parse(std::string_view text, std::uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool write_file(const std::string& path, std::string_view bytes) {
  codetwin::platform::OutputFile file;
  if (file.create(path.c_str()) && file.write(bytes, codetwin::LineEnds::kAsIs) && file.close()) {
    return true;
  }
  std::fprintf(stderr, "generate_sources: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t bytes = 0;
  std::uint64_t seed = 1;
  if (argc < 3 || argc > 4 || !parse(argv[2], bytes) || (argc == 4 && !parse(argv[3], seed))) {
    std::fprintf(stderr, "usage: generate_sources DIR BYTES [SEED]\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  const codetwin::bench::ProgramPair pair = codetwin::bench::generate_source_pair(seed, bytes);
  const bool ok = write_file(dir + "file1.c", pair.first.source) &&
                  write_file(dir + "file2.c", pair.second.source) &&
                  write_file(dir + "expected_token1.txt", pair.first.tokens) &&
                  write_file(dir + "expected_token2.txt", pair.second.tokens);
  return ok ? 0 : 1;
}
