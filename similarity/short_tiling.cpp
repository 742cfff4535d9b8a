#include "similarity/short_tiling.h"

#include <algorithm>
#include <bit>

namespace codetwin::similarity {

namespace {

using Bits = ShortTiler::Bits;

// A space (how a tile stands) and a NUL stop every run.
bool is_separator(char c) { return c == '\0' || c == ' '; }

// The same few operations on one word (strings of at most 64 characters)
// and on two.
Bits operator&(Bits x, Bits y) { return {x.lo & y.lo, x.hi & y.hi}; }
Bits operator|(Bits x, Bits y) { return {x.lo | y.lo, x.hi | y.hi}; }
Bits operator~(Bits x) { return {~x.lo, ~x.hi}; }

bool any(std::uint64_t x) { return x != 0; }
bool any(Bits x) { return (x.lo | x.hi) != 0; }

// Bit j of the result is bit j + s of x; 0 <= s < 128.
std::uint64_t shifted_down(std::uint64_t x, int s) { return s < 64 ? x >> s : 0; }
Bits shifted_down(Bits x, int s) {
  if (s == 0) return x;
  if (s >= 64) return {x.hi >> (s - 64), 0};
  return {(x.lo >> s) | (x.hi << (64 - s)), x.hi >> s};
}

int lowest(std::uint64_t x) { return std::countr_zero(x); }
int lowest(Bits x) { return x.lo != 0 ? std::countr_zero(x.lo) : 64 + std::countr_zero(x.hi); }

// Positions below `end`, 0 <= end <= 128.
template <typename Word>
Word below(int end);
template <>
std::uint64_t below<std::uint64_t>(int end) {
  return end >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << end) - 1;
}
template <>
Bits below<Bits>(int end) {
  if (end >= 64) return {~std::uint64_t{0}, below<std::uint64_t>(end - 64)};
  return {below<std::uint64_t>(end), 0};
}

template <typename Word>
Word from_bits(Bits x);
template <>
std::uint64_t from_bits<std::uint64_t>(Bits x) {
  return x.lo;
}
template <>
Bits from_bits<Bits>(Bits x) {
  return x;
}

// Positions j with a member of x among j..j+length-1; length >= 1.
template <typename Word>
Word smeared(Word x, int length) {
  int span = 1;
  for (; 2 * span <= length; span *= 2) x = x | shifted_down(x, span);
  return x | shifted_down(x, length - span);
}

template <typename Word>
using Table = std::array<Word, kShortLimit>;

// The method on strings whose positions fit in a Word.
template <typename Word>
void tile_short(std::string_view A, std::string_view B, int MinMatchLen,
                const std::array<Bits, 256>& of_symbol, std::array<Table<Word>, 8>& powers,
                Table<Word>& rows, Table<Word>& trial, std::vector<OriginalTile>& tiles) {
  const int La = static_cast<int>(A.size());
  const int cap = std::min(La, static_cast<int>(B.size()));  // no run is longer
  for (int i = 0; i < La; ++i) {
    powers[0][i] = from_bits<Word>(of_symbol[static_cast<unsigned char>(A[i])]);
  }

  // Runs of at least 2^(k+1) from two of 2^k; row i is kept for i <= La - 2^k.
  int top = 0;
  for (; (2 << top) <= cap; ++top) {
    const int half = 1 << top;
    const Table<Word>& from = powers[top];
    Table<Word>& to = powers[top + 1];
    for (int i = 0; i + 2 * half <= La; ++i) to[i] = from[i] & shifted_down(from[i + half], half);
  }

  // The longest run S, bit by bit from the top: rows holds the runs of at
  // least S found so far.
  int S = 0;
  for (int k = top; k >= 0; --k) {
    const int next = S + (1 << k);
    if (next > cap) continue;
    Word found{};
    if (S == 0) {
      for (int i = 0; i + next <= La; ++i) found = found | powers[k][i];
      if (!any(found)) continue;
      std::copy(powers[k].begin(), powers[k].begin() + (La - next + 1), rows.begin());
    } else {
      for (int i = 0; i + next <= La; ++i) {
        trial[i] = rows[i] & shifted_down(powers[k][i + S], S);
        found = found | trial[i];
      }
      if (!any(found)) continue;
      std::copy(trial.begin(), trial.begin() + (La - next + 1), rows.begin());
    }
    S = next;
  }

  Word covered_a{};
  Word covered_b{};
  for (int L = S; L > MinMatchLen; --L) {
    // Runs of at least L: one of 2^k at i and one at i + L - 2^k.
    const int k = std::bit_width(static_cast<unsigned>(L)) - 1;
    const int rest = L - (1 << k);
    const Table<Word>& power = powers[k];
    Word open_rows = ~smeared(covered_a, L) & below<Word>(La - L + 1);
    Word free_b = ~smeared(covered_b, L);
    while (any(open_rows)) {
      const int i = lowest(open_rows);
      const Word row = power[i] & shifted_down(power[i + rest], rest) & free_b;
      if (!any(row)) {
        open_rows = open_rows & ~below<Word>(i + 1);
        continue;
      }
      const int b = lowest(row);
      tiles.push_back({i, b, L});
      covered_a = covered_a | (below<Word>(i + L) & ~below<Word>(i));
      covered_b = covered_b | (below<Word>(b + L) & ~below<Word>(b));
      free_b = ~smeared(covered_b, L);
      open_rows = open_rows & ~below<Word>(i + L);  // those rows are covered now
    }
  }
}

}  // namespace

void ShortTiler::run(std::string_view A, std::string_view B, int MinMatchLen,
                     std::vector<OriginalTile>& tiles) {
  const std::size_t La = A.size();
  const std::size_t Lb = B.size();
  if (std::min(La, Lb) <= static_cast<std::size_t>(MinMatchLen)) return;

  // Runs of at least 1: equal characters, no separator.
  for (std::size_t j = 0; j < Lb; ++j) {
    if (is_separator(B[j])) continue;
    Bits& at = of_symbol_[static_cast<unsigned char>(B[j])];
    if (j < 64) {
      at.lo |= std::uint64_t{1} << j;
    } else {
      at.hi |= std::uint64_t{1} << (j - 64);
    }
  }
  if (La <= 64 && Lb <= 64) {
    tile_short<std::uint64_t>(A, B, MinMatchLen, of_symbol_, narrow_powers_, narrow_rows_,
                              narrow_trial_, tiles);
  } else {
    tile_short<Bits>(A, B, MinMatchLen, of_symbol_, powers_, rows_, trial_, tiles);
  }
  for (char c : B) of_symbol_[static_cast<unsigned char>(c)] = {};
}

}  // namespace codetwin::similarity
