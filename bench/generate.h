// Deterministic inputs for the benchmarks and the tests: generated C
// programs together with the token strings their words give, pairs of
// programs where the second is a disguised copy of the first, and synthetic
// token strings (one statement repeated, random characters). A seed gives
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
#include <string>
#include <string_view>

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

/// `length` characters of the statement «id=id+id;» repeated, where one
/// repetition in `every` (about) is one of a few variants of it instead.
std::string repeated_statement(std::uint64_t seed, std::size_t length, std::size_t every);

/// `length` characters drawn uniformly from `alphabet`.
std::string random_string(std::uint64_t seed, std::size_t length, std::string_view alphabet);

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_GENERATE_H_
