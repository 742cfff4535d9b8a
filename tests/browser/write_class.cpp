// Writes a generated class into a folder: COUNT submissions of about BYTES
// bytes each (s0000.c, s0001.c, ...), independent programs but for every
// tenth, which is a disguised copy of the one before it. Deterministic: the
// same arguments give the same bytes.
//
//   write_class DIR COUNT [BYTES] [SEED]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/generate.h"

namespace {

bool write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: write_class DIR COUNT [BYTES] [SEED]\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const unsigned long count = std::strtoul(argv[2], nullptr, 10);
  const unsigned long bytes = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 3000;
  const unsigned long seed = argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 1;
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  for (unsigned long k = 0; k < count; ++k) {
    // Every tenth submission copies the one before it, disguised.
    const bool copy = k % 10 == 9;
    const codetwin::bench::ProgramPair pair =
        codetwin::bench::generate_source_pair(seed * 1000003 + (copy ? k - 1 : k), bytes);
    char name[32];
    std::snprintf(name, sizeof name, "s%04lu.c", k);
    if (!write(dir / name, copy ? pair.second.source : pair.first.source)) {
      std::fprintf(stderr, "cannot write %s\n", (dir / name).c_str());
      return 1;
    }
  }
  return 0;
}
