// generate_class DIR N [SEED]: writes a generated class of N submissions
// into DIR (created if missing): DIR/s0001.c, ..., a few of them folders of
// two files (DIR/s0017/main.c and DIR/s0017/util.c), and DIR/copies.txt,
// one line per disguised copy: the copy's name, a space, its original's.
// copies.txt is for checking what a run finds; it is not a C source.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "bench/generate.h"
#include "platform/files.h"

namespace {

bool parse(std::string_view text, std::uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool write_file(const std::filesystem::path& path, std::string_view bytes) {
  codetwin::platform::OutputFile file;
  if (file.create(path.string().c_str()) && file.write(bytes, codetwin::LineEnds::kAsIs) &&
      file.close()) {
    return true;
  }
  std::fprintf(stderr, "generate_class: cannot write %s\n", path.string().c_str());
  return false;
}

bool make_folder(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (!error) return true;
  std::fprintf(stderr, "generate_class: cannot create %s\n", path.string().c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t count = 0;
  std::uint64_t seed = 1;
  if (argc < 3 || argc > 4 || !parse(argv[2], count) || count == 0 ||
      (argc == 4 && !parse(argv[3], seed))) {
    std::fprintf(stderr, "usage: generate_class DIR N [SEED]\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  if (!make_folder(dir)) return 1;
  std::string copies;
  for (std::uint64_t index = 0; index < count; ++index) {
    const codetwin::bench::ClassSubmission s =
        codetwin::bench::generate_class_submission(seed, count, index);
    if (s.files.size() > 1 && !make_folder(dir / s.name)) return 1;
    for (const codetwin::bench::ClassFile& file : s.files) {
      if (!write_file(dir / file.name, file.source)) return 1;
    }
    if (s.copy_of) {
      const codetwin::bench::ClassSubmission original =
          codetwin::bench::generate_class_submission(seed, count, *s.copy_of);
      copies += s.name + " " + original.name + "\n";
    }
  }
  return write_file(dir / "copies.txt", copies) ? 0 : 1;
}
