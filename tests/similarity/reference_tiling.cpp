#include "tests/similarity/reference_tiling.h"

#include <cstddef>
#include <cstdint>

#include "common/sstring.h"

namespace codetwin::similarity {

namespace {

// Puts a space at `x` and moves the characters from x + maxmatch to L left
// so that they start at x + 1; returns the new length.
std::size_t replace_run(SString& s, std::size_t L, std::size_t x, std::size_t maxmatch) {
  s[x] = ' ';
  std::size_t to = x + 1;
  for (std::size_t from = x + maxmatch; from <= L; ++from, ++to) s[to] = s[from];
  return L - maxmatch + 1;
}

}  // namespace

std::vector<Tile> reference_tile(std::string_view text_a, std::string_view text_b,
                                 int MinMatchLen) {
  SString A(text_a);
  SString B(text_b);
  std::size_t La = A.length();
  std::size_t Lb = B.length();
  std::vector<Tile> tiles;
  std::int64_t maxmatch = 0;
  do {
    maxmatch = MinMatchLen;
    std::size_t x = 0;
    std::size_t y = 0;
    for (std::size_t i = 1; i <= La; ++i) {
      for (std::size_t j = 1; j <= Lb; ++j) {
        std::size_t k = 0;
        while (i + k <= La && j + k <= Lb && A[i + k] == B[j + k] && A[i + k] != '\0' &&
               A[i + k] != ' ' && B[j + k] != ' ') {
          ++k;
        }
        if (static_cast<std::int64_t>(k) > maxmatch) {
          maxmatch = static_cast<std::int64_t>(k);
          x = i;
          y = j;
        }
      }
    }
    if (maxmatch > MinMatchLen) {
      const auto run = static_cast<std::size_t>(maxmatch);
      La = replace_run(A, La, x, run);
      Lb = replace_run(B, Lb, y, run);
      tiles.push_back(Tile{static_cast<std::int64_t>(x), static_cast<std::int64_t>(y), maxmatch});
    }
  } while (maxmatch > MinMatchLen);
  return tiles;
}

}  // namespace codetwin::similarity
