// Deterministic inputs for the benchmarks and the tests: generated C
// programs together with the token strings their words give, pairs of
// programs where the second is a disguised copy of the first, synthetic
// token strings (one statement repeated, random characters), and whole
// classes of submissions with disguised copies among them. A seed gives
// the same bytes on every platform and standard library.
//
// A program is built from words, each with its source text and its
// contribution to the token string (identifiers read "id", int/long/short
// "zh", float/double "fu", keywords, operators, symbols and numbers as
// written). The source separates two words by a space wherever joining them
// would make the scanner read them differently, so its words are exactly
// the generated ones.
#ifndef CODETWIN_BENCH_GENERATE_H_
#define CODETWIN_BENCH_GENERATE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace codetwin::bench {

/// splitmix64: small, fast and defined bit for bit.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next();
  /// A number in 0..bound-1; bound > 0.
  std::size_t below(std::size_t bound) { return static_cast<std::size_t>(next() % bound); }
  bool percent(int chance) { return below(100) < static_cast<std::size_t>(chance); }

 private:
  std::uint64_t state_;
};

/// A C source and the token string its words give.
struct Program {
  std::string source;
  std::string tokens;
};

/// A program and a disguised copy: the copy renames every variable, turns
/// some for loops into while loops, and changes, drops, inserts or swaps
/// about one statement in eight.
struct ProgramPair {
  Program first;
  Program second;
};

/// Grows the pair function by function until the first program's token
/// string has at least `token_chars` characters.
ProgramPair generate_pair(std::uint64_t seed, std::size_t token_chars);

/// Grows the pair until the first program's source has at least
/// `source_bytes` bytes.
ProgramPair generate_source_pair(std::uint64_t seed, std::size_t source_bytes);

/// One file of a generated class submission.
struct ClassFile {
  std::string name;    // relative to the class folder: "s0001.c", "s0017/main.c"
  std::string source;  // LF line ends; comments in GBK or UTF-8
  std::string tokens;  // the token string of `source`, comments included
};

/// One submission of a generated class. An original is a student's own
/// solution to one of kClassExercises exercises: the exercise's typical
/// functions, each rewritten in the student's way (statements dropped,
/// changed, swapped or added, for loops as while loops), in the student's
/// layout, names and comments (Chinese, English or both), about 3 kB of
/// source and a token string of 1,200 to 1,800 characters. About a tenth
/// are disguised copies of an earlier original: names renamed, functions
/// reordered, laid out anew, comments removed or reworded, about one
/// statement in eight changed, dropped, inserted or swapped, some for loops
/// made while loops. A few are folders of two files (main.c with main,
/// util.c with the rest).
struct ClassSubmission {
  std::string name;              // "s0001.c", or "s0017" for a folder
  std::vector<ClassFile> files;  // in byte order of their names
  std::size_t exercise = 0;
  std::optional<std::size_t> copy_of;  // the index of the original it disguises
  /// The files' token strings joined in order: the submission's token string.
  std::string tokens() const;
};

inline constexpr std::size_t kClassExercises = 8;

/// The submission at `index` (from 0) of a generated class of `count`. Its
/// content depends on the seed and the index only: a smaller class is the
/// start of a larger one. `count` sets the width of the names (at least
/// four digits, numbered from 1), so that byte order is number order.
ClassSubmission generate_class_submission(std::uint64_t seed, std::size_t count, std::size_t index);

/// The whole class: generate_class_submission() for every index.
std::vector<ClassSubmission> generate_class(std::uint64_t seed, std::size_t count);

/// `length` characters of the statement «id=id+id;» repeated, where one
/// repetition in `every` (about) is one of a few variants of it instead.
std::string repeated_statement(std::uint64_t seed, std::size_t length, std::size_t every);

/// `length` characters drawn uniformly from `alphabet`.
std::string random_string(std::uint64_t seed, std::size_t length, std::string_view alphabet);

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_GENERATE_H_
