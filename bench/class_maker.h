// Classes for measuring a checker on real code: one exercise's real,
// independent submissions with disguised copies (disguise.h) among them.
//
// From an exercise's originals, a seed picks six different ones: one gets
// a plain copy, one a padded copy, one an extended copy, one is the source
// of a group (two plain copies beside it), and two make a partial copy: X
// gives about half its code to Y, and Y' stands in the class instead of Y.
// Every file is then named anew, s001.c ..., in a seeded order, so that a
// copy may come before or after its original, as in real classes.
//
// The manifest says what each file is. It is written beside the class
// folder, not in it, so that the folder holds only submissions.
#ifndef CODETWIN_BENCH_CLASS_MAKER_H_
#define CODETWIN_BENCH_CLASS_MAKER_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace codetwin::bench {

struct CorpusFile {
  std::string name;  // "003.c"
  std::string bytes;
};

struct ClassEntry {
  std::string name;    // "s001.c"
  std::string origin;  // the corpus file it was made from (a partial copy: Y)
  std::string kind;    // "original", "plain", "padded", "extended", "partial" or "group"
  std::string copies;  // a copy: its original's new name (a group's: its source's)
  std::string bytes;
};

/// Originals an exercise needs: six different ones are disguised.
inline constexpr std::size_t kOriginalsNeeded = 6;

/// The class of one exercise, in name order; empty with fewer than
/// kOriginalsNeeded originals. Originals are kept byte for byte.
std::vector<ClassEntry> make_class(const std::vector<CorpusFile>& originals,
                                   std::string_view exercise, std::uint64_t seed);

/// "name\torigin\tkind\tcopies" and a line per entry, LF line ends.
std::string manifest_text(const std::vector<ClassEntry>& entries);

/// For every folder of `corpus` that holds .c files (an exercise), writes
/// its class into out/<exercise>/ and its manifest into out/<exercise>.tsv.
/// Checks first and writes nothing when `out` lies inside the corpus, an
/// out/<exercise> exists and is not empty, or an exercise has too few
/// files; then returns false with the reason in `error`.
bool write_classes(const std::filesystem::path& corpus, const std::filesystem::path& out,
                   std::uint64_t seed, std::string* error);

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_CLASS_MAKER_H_
