#include "similarity/run_tiling.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#include <functional>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace codetwin::similarity {

namespace {

constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
constexpr std::uint64_t kHigh = 0x8080808080808080;

// The high bit of each byte of v that is not 0.
std::uint64_t nonzero_bytes(std::uint64_t v) { return (((v & kLow7) + kLow7) | v) & kHigh; }

std::uint64_t load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint32_t load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

bool has_zero_byte(std::uint32_t v) { return ((v - 0x01010101U) & ~v & 0x80808080U) != 0; }
bool has_zero_byte(std::uint64_t v) { return (~nonzero_bytes(v) & kHigh) != 0; }

// The number of equal bytes, none 0, from x and y on; both are followed by
// a 0 within their readable bytes, and 8 more readable bytes after it.
std::uint32_t common_run(const std::uint8_t* x, const std::uint8_t* y) {
  std::uint32_t h = 0;
  for (;;) {
    const std::uint64_t u = load64(x + h);
    const std::uint64_t v = load64(y + h);
    // A byte that differs, or a 0 in both, ends the run.
    const std::uint64_t stop = nonzero_bytes(u ^ v) | (~nonzero_bytes(u) & kHigh);
    if (stop != 0) {
      if constexpr (std::endian::native == std::endian::little) {
        return h + static_cast<std::uint32_t>(std::countr_zero(stop) >> 3);
      } else {
        return h + static_cast<std::uint32_t>(std::countl_zero(stop) >> 3);
      }
    }
    h += 8;
  }
}

constexpr std::uint64_t kAll = ~std::uint64_t{0};

// Bits pos..pos+63 of a bit set that has a spare word at its end.
std::uint64_t bits_at(const std::uint64_t* set, std::uint32_t pos) {
  const std::size_t w = pos >> 6;
  const unsigned s = pos & 63;
  // Two shifts for the high word, so that s = 0 shifts by no more than 63.
  return (set[w] >> s) | ((set[w + 1] << 1) << (63 - s));
}

bool any_in(const std::uint64_t* set, std::uint32_t pos, std::uint32_t length) {
  for (std::uint32_t t = 0; t < length; t += 64) {
    std::uint64_t bits = bits_at(set, pos + t);
    if (length - t < 64) bits &= (std::uint64_t{1} << (length - t)) - 1;
    if (bits != 0) return true;
  }
  return false;
}

// Whether `free` has min_length (at least 4) set bits in a row.
bool has_free_stretch(std::uint64_t free, std::uint32_t min_length) {
  std::uint64_t run = free & (free >> 1);  // bit t: t..t+1 free
  run &= run >> 2;                         // t..t+3
  if (min_length == 4 || run == 0) return run != 0;
  unsigned have = 4;
  for (; 2 * have <= min_length; have *= 2) run &= run >> have;
  if (have < min_length) run &= run >> (min_length - have);
  return run != 0;
}

void set_range(std::vector<std::uint64_t>& set, std::uint32_t pos, std::uint32_t length) {
  const std::uint32_t end = pos + length;
  std::size_t w = pos >> 6;
  const std::size_t last = (end - 1) >> 6;
  const std::uint64_t first_mask = kAll << (pos & 63);
  const std::uint64_t last_mask = kAll >> (63 - ((end - 1) & 63));
  if (w == last) {
    set[w] |= first_mask & last_mask;
    return;
  }
  set[w++] |= first_mask;
  for (; w < last; ++w) set[w] = kAll;
  set[last] |= last_mask;
}

// A run as one word, smallest first in the order the passes take them.
std::uint64_t run_word(std::uint32_t length, std::uint32_t a, std::uint32_t b) {
  return (static_cast<std::uint64_t>(~length) << 32) | (std::uint64_t{a} << 16) | b;
}
std::uint32_t run_length(std::uint64_t run) { return ~static_cast<std::uint32_t>(run >> 32); }
std::uint32_t run_a(std::uint64_t run) { return static_cast<std::uint32_t>(run >> 16) & 0xFFFF; }
std::uint32_t run_b(std::uint64_t run) { return static_cast<std::uint32_t>(run) & 0xFFFF; }

constexpr std::uint32_t kNoRun = ~std::uint32_t{0};

// A string of kRunLimit characters has fewer grams than 2^16, and fewer
// distinct ones than RunIndex::kNoGram.
static_assert(kRunLimit - kNarrowGram + 1 < RunIndex::kNoGram);

}  // namespace

std::size_t RunIndex::bytes() const {
  return loaded.capacity() + text.capacity() + 4 * grams.capacity() +
         2 * (starts.capacity() + positions.capacity()) + before.capacity() + before_all.capacity() +
         2 * group.capacity();
}

bool RunIndex::holds(std::string_view s) const {
  if (s.size() != length) return false;
  if (!loaded.empty()) return loaded == s;
  // Without an early exit, so that the loop runs a vector at a time: a
  // cache hit compares the whole string anyway.
  unsigned differ = 0;
  for (std::uint32_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    differ |= (c == 0) | (text[i] != (c == ' ' ? 0 : c));
  }
  return differ == 0;
}

namespace {

// A gram of 8 bytes as 32 bits. Equal grams have equal keys; unequal grams
// with equal keys are told apart by their bytes.
std::uint32_t wide_key(std::uint64_t gram) {
  return static_cast<std::uint32_t>((gram * 0x9E3779B97F4A7C15U) >> 32);
}

// The gram at `position` of a text, as a number (only its equality with
// others matters).
std::uint64_t gram_at(const std::uint8_t* text, std::uint32_t position, std::uint32_t width) {
  return width == kWideGram ? load64(text + position) : load32(text + position);
}

struct KeyedGram {
  std::uint32_t key;  // the gram itself (width 4) or its wide_key (width 8)
  std::uint32_t position;
  std::uint64_t gram;
  bool operator<(const KeyedGram& o) const {
    return key != o.key ? key < o.key : gram != o.gram ? gram < o.gram : position < o.position;
  }
};

#if defined(__SSE2__) || defined(_M_X64)
// Pairs the keys of A and B from grams g and j on, four of each at a time,
// while both lists have four left; moves g and j past the keys it paired.
// Each list's keys are distinct, so a key of A meets at most one of B.
void pair_blocks(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b,
                 std::size_t& g, std::size_t& j, std::vector<std::uint16_t>& partner) {
  if (a.size() < 4 || b.size() < 4) return;
  // Every step compares A's four keys with B's four in all four rotations,
  // and moves past the block with the smaller last key (or both): the
  // merge of one key at a time waited on each comparison's load before the
  // next, a block step waits once for four keys.
  const __m128i lane = _mm_setr_epi32(0, 1, 2, 3);
  const __m128i no_gram = _mm_set1_epi32(RunIndex::kNoGram);
  __m128i partners = no_gram;  // of A's block so far, as B's gram numbers
  while (g + 4 <= a.size() && j + 4 <= b.size()) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.data() + g));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b.data() + j));
    // eq_r, lane i: A's key g + i equals B's key j + (i + r) % 4.
    const __m128i eq0 = _mm_cmpeq_epi32(x, y);
    const __m128i eq1 = _mm_cmpeq_epi32(x, _mm_shuffle_epi32(y, _MM_SHUFFLE(0, 3, 2, 1)));
    const __m128i eq2 = _mm_cmpeq_epi32(x, _mm_shuffle_epi32(y, _MM_SHUFFLE(1, 0, 3, 2)));
    const __m128i eq3 = _mm_cmpeq_epi32(x, _mm_shuffle_epi32(y, _MM_SHUFFLE(2, 1, 0, 3)));
    const __m128i any = _mm_or_si128(_mm_or_si128(eq0, eq1), _mm_or_si128(eq2, eq3));
    const __m128i rotation =
        _mm_or_si128(_mm_or_si128(_mm_and_si128(eq1, _mm_set1_epi32(1)),
                                  _mm_and_si128(eq2, _mm_set1_epi32(2))),
                     _mm_and_si128(eq3, _mm_set1_epi32(3)));
    const __m128i matched = _mm_add_epi32(
        _mm_set1_epi32(static_cast<int>(j)),
        _mm_and_si128(_mm_add_epi32(lane, rotation), _mm_set1_epi32(3)));
    partners = _mm_or_si128(_mm_and_si128(any, matched), _mm_andnot_si128(any, partners));
    const std::uint32_t last_x = a[g + 3];
    const std::uint32_t last_y = b[j + 3];
    if (last_x <= last_y) {
      alignas(16) std::uint32_t out[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(out), partners);
      for (int i = 0; i < 4; ++i) partner[g + i] = static_cast<std::uint16_t>(out[i]);
      partners = no_gram;
      g += 4;
    }
    j += last_y <= last_x ? 4 : 0;
  }
  // A's block may be part-way paired: keep what it has.
  if (g + 4 <= a.size()) {
    alignas(16) std::uint32_t out[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(out), partners);
    for (int i = 0; i < 4; ++i) partner[g + i] = static_cast<std::uint16_t>(out[i]);
  }
}
#else
void pair_blocks(const std::vector<std::uint32_t>&, const std::vector<std::uint32_t>&,
                 std::size_t&, std::size_t&, std::vector<std::uint16_t>&) {}
#endif

// Pairs the sorted gram lists of A and B: partner[g] is the gram of B equal
// to A's gram g, or kNoGram.
template <bool kWide>
void pair_sorted(const RunIndex& a, const RunIndex& b, std::vector<std::uint16_t>& partner) {
  if constexpr (kWide) {
    // Where neither string has two grams with one key, the keys alone are
    // paired, without a branch on ties; grams of the two strings with one
    // key and unequal bytes may then be paired, and find_runs() measures
    // their cells short of a gram.
    if (!a.tied_keys && !b.tied_keys) return pair_sorted<false>(a, b, partner);
  }
  // One more entry, for the positions where no gram starts.
  partner.assign(a.grams.size() + 1, RunIndex::kNoGram);
  std::size_t g = 0;
  std::size_t j = 0;
  if constexpr (!kWide) pair_blocks(a.grams, b.grams, g, j, partner);
  // The rest one key at a time, without branches, which would be taken as
  // the grams fall: every step moves past the smaller gram (or both), and
  // g's partner is written where it is found (g may have one from a block).
  while (g < a.grams.size() && j < b.grams.size()) {
    std::uint64_t x = a.grams[g];
    std::uint64_t y = b.grams[j];
    if constexpr (kWide) {
      // Grams with equal keys are ordered by their bytes.
      if (x == y) {
        x = load64(a.text.data() + a.positions[a.starts[g]]);
        y = load64(b.text.data() + b.positions[b.starts[j]]);
      }
    }
    partner[g] = x == y ? static_cast<std::uint16_t>(j) : partner[g];
    g += x <= y;
    j += y <= x;
  }
}

}  // namespace

void build_run_index(std::string_view s, RunIndex& index, std::uint32_t width) {
  const auto length = static_cast<std::uint32_t>(s.size());
  index.length = length;
  index.width = width;
  // The text keeps a space and a NUL alike as 0; the string itself is kept
  // only where it holds a NUL, to tell the two apart in holds().
  if (s.find('\0') != std::string_view::npos) {
    index.loaded.assign(s);
  } else {
    index.loaded.clear();
    index.loaded.shrink_to_fit();
  }
  index.text.assign(length + kRunPadding, 0);
  for (std::uint32_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    index.text[i] = c == ' ' ? 0 : c;
  }
  // Every gram without a separator, sorted by key and bytes.
  std::vector<KeyedGram> keyed;
  keyed.reserve(length);
  for (std::uint32_t i = 0; i + width <= length; ++i) {
    const std::uint64_t gram = gram_at(index.text.data(), i, width);
    if (width == kWideGram ? has_zero_byte(gram)
                           : has_zero_byte(static_cast<std::uint32_t>(gram))) {
      continue;
    }
    const std::uint32_t key =
        width == kWideGram ? wide_key(gram) : static_cast<std::uint32_t>(gram);
    keyed.push_back({key, i, gram});
  }
  std::sort(keyed.begin(), keyed.end());
  index.grams.clear();
  index.starts.clear();
  index.tied_keys = false;
  index.positions.assign(keyed.size(), 0);
  index.before.assign(keyed.size(), 0);
  index.group.assign(length, RunIndex::kNoGram);
  std::uint64_t last = 0;
  for (std::size_t k = 0; k < keyed.size(); ++k) {
    const KeyedGram& at = keyed[k];
    if (k == 0 || at.gram != last) {
      if (!index.grams.empty() && index.grams.back() == at.key) index.tied_keys = true;
      index.grams.push_back(at.key);
      index.starts.push_back(static_cast<std::uint16_t>(k));
      last = at.gram;
    }
    index.positions[k] = static_cast<std::uint16_t>(at.position);
    index.before[k] = at.position == 0 ? 0 : index.text[at.position - 1];
    index.group[at.position] = static_cast<std::uint16_t>(index.grams.size() - 1);
  }
  index.starts.push_back(static_cast<std::uint16_t>(keyed.size()));
  index.before_all.assign(index.grams.size(), 0);
  for (std::size_t g = 0; g < index.grams.size(); ++g) {
    const std::uint8_t first = index.before[index.starts[g]];
    bool same = true;
    for (std::size_t k = index.starts[g] + 1u; k < index.starts[g + 1]; ++k) {
      same = same && index.before[k] == first;
    }
    index.before_all[g] = same ? first : 0;
  }
  index.grams.shrink_to_fit();
  index.starts.shrink_to_fit();
}

bool RunTiler::run(const RunIndex& a, const RunIndex& b, int MinMatchLen, std::size_t max_cells,
                   std::vector<OriginalTile>& tiles) {
  const auto min_length = static_cast<std::uint32_t>(MinMatchLen) + 1;
  assert(a.width == b.width && kNarrowGram <= min_length);
  if (std::min(a.length, b.length) < min_length) return true;
  cells_ = 0;
  cover_nothing(a, b);
  if (a.width == kWideGram) {
    pair_sorted<true>(a, b, partner_);
  } else {
    pair_sorted<false>(a, b, partner_);
  }
  // The runs the index's grams can find: all of them, or those of a gram's
  // width and more when the tiles may be shorter than a gram.
  const std::uint32_t first_levels = std::max(min_length, a.width);
  if (!find_runs(a, b, first_levels, max_cells)) return false;
  const std::size_t laid = tiles.size();
  take_runs(first_levels, tiles);
  if (first_levels == min_length) return true;
  // The levels below the gram's width, from what the long tiles left free.
  if (!find_free_runs(a, b, min_length, max_cells)) {
    tiles.resize(laid);
    return false;
  }
  take_runs(min_length, tiles);
  return true;
}

// found_: every run of min_length or more, in (a, b) order, then listed by
// length (first_, next_). found_ keeps its size from pair to pair; only its
// first entries are this pair's. Gives up, returning false, as soon as the
// cells visited pass max_cells.
//
// In three passes, so that the two questions that follow no pattern (has
// B this position's gram? does this cell start a run?) are answered by
// where a value is written, not by a branch.
bool RunTiler::find_runs(const RunIndex& a, const RunIndex& b, std::uint32_t min_length,
                         std::size_t max_cells) {
  const std::uint8_t* ta = a.text.data();
  const std::uint8_t* tb = b.text.data();
  const std::uint32_t width = a.width;
  // 1. The positions x of A whose gram B has, with B's gram h: (x << 16) | h.
  if (paired_.size() < a.length) paired_.resize(a.length);
  std::size_t paired = 0;
  {
    const std::uint16_t* group = a.group.data();
    const std::uint16_t* partner = partner_.data();
    const auto no_gram = static_cast<std::uint32_t>(a.grams.size());  // partner_'s last entry
    for (std::uint32_t x = 0; x + width <= a.length; ++x) {
      const std::uint32_t h = partner[std::min<std::uint32_t>(group[x], no_gram)];
      paired_[paired] = (x << 16) | h;
      paired += h != RunIndex::kNoGram;
    }
  }
  // 2. Their cells (x, y) that start a run, as (x << 16) | y, in (x, y)
  // order: a run that reaches left of x (A[x - 1] = B[y - 1], no separator)
  // is found at its own start.
  const std::uint16_t* starts = b.starts.data();
  const std::uint16_t* positions = b.positions.data();
  const std::uint8_t* before = b.before.data();
  const std::uint8_t* before_all = b.before_all.data();
  std::size_t cells = cells_;
  std::size_t found = 0;
  for (std::size_t i = 0; i < paired; ++i) {
    const std::uint32_t x = paired_[i] >> 16;
    const std::uint32_t h = paired_[i] & 0xFFFF;
    const std::uint32_t first = starts[h];
    const std::uint32_t last = starts[h + 1];
    cells += last - first;
    if (cells > max_cells) return false;
    const std::uint8_t c = x == 0 ? 0 : ta[x - 1];
    // Inside a run of common grams, where B has A's byte before each of
    // its places of the gram (a gram found once, most often), every cell
    // reaches further left: none starts a run.
    if (c != 0 && before_all[h] == c) continue;
    if (found_.size() < found + (last - first)) {
      found_.resize(std::max(2 * found_.size(), found + (last - first)));
    }
    const std::uint64_t cell_x = std::uint64_t{x} << 16;
    for (std::uint32_t k = first; k < last; ++k) {
      found_[found] = cell_x | positions[k];
      found += (c == 0) | (before[k] != c);
    }
  }
  cells_ = cells;
  // 3. Each measured, and kept as a run if it is long enough; from x
  // itself, so that a cell of two 8-grams with one key and unequal bytes
  // (pair_sorted() may pair them) measures shorter than a gram.
  std::size_t runs = 0;
  std::uint32_t longest = 0;
  for (std::size_t i = 0; i < found; ++i) {
    const auto x = static_cast<std::uint32_t>(found_[i] >> 16);
    const auto y = static_cast<std::uint32_t>(found_[i] & 0xFFFF);
    const std::uint32_t length = common_run(ta + x, tb + y);
    longest = std::max(longest, length);
    found_[runs] = run_word(length, x, y);
    runs += length >= min_length;
  }
  list_by_length(runs, longest);
  return true;
}

// Lists found_[0, found) by length, each list built from the back so that it
// keeps their (a, b) order.
void RunTiler::list_by_length(std::size_t found, std::uint32_t longest) {
  first_.assign(static_cast<std::size_t>(longest) + 1, kNoRun);
  if (next_.size() < found) next_.resize(found);
  for (std::size_t i = found; i-- > 0;) {
    const std::uint32_t length = run_length(found_[i]);
    next_[i] = first_[length];
    first_[length] = static_cast<std::uint32_t>(i);
  }
}

namespace {

// The bits of positions p..p+63 whose 4-gram is free of tiles.
std::uint64_t free_grams_at(const std::uint64_t* covered, std::uint32_t p) {
  return ~(bits_at(covered, p) | bits_at(covered, p + 1) | bits_at(covered, p + 2) |
           bits_at(covered, p + 3));
}

// A 4-gram's chain in the table of 2^bits chains.
std::uint32_t chain_of(std::uint32_t gram, unsigned bits) {
  return (gram * 0x9E3779B1U) >> (32 - bits);
}

bool covered_at(const std::vector<std::uint64_t>& set, std::uint32_t pos) {
  return ((set[pos >> 6] >> (pos & 63)) & 1) != 0;
}

}  // namespace

// found_: the runs of the levels below the gram's width, once every longer
// tile is laid. No common stretch of a gram's width or more is then free of
// tiles in both strings, and every tile still to come lies in one that is:
// a *free run* (x, y, length), a common stretch whose characters are covered
// in neither string and that cannot be made longer at either end without
// reaching a covered character, a differing one or a separator. These are
// the runs of the strings as the passes see them now, and take_runs() treats
// them as it treats the runs (a piece of one may yet be cut). They start
// with a free common 4-gram: B's free 4-grams are chained by a hash of the
// gram, each chain in ascending position, and A's are looked up in order,
// so the free runs come out in (a, b) order. Gives up, returning false, as
// soon as the cells visited (with find_runs()'s) pass max_cells.
bool RunTiler::find_free_runs(const RunIndex& a, const RunIndex& b, std::uint32_t min_length,
                              std::size_t max_cells) {
  const std::uint8_t* ta = a.text.data();
  const std::uint8_t* tb = b.text.data();
  constexpr std::uint16_t kEndOfChain = 0xFFFF;  // no 4-gram starts there
  const unsigned bits = std::clamp<unsigned>(std::bit_width(b.length), 8, 16);
  chains_.assign(std::size_t{1} << bits, kEndOfChain);
  if (chained_.size() < b.length) chained_.resize(b.length);
  // B's free 4-grams, last first, so that each chain ascends.
  for (std::uint32_t word = (b.length + 63) / 64; word-- > 0;) {
    const std::uint32_t base = word * 64;
    std::uint64_t free = free_grams_at(covered_b_.data(), base);
    if (b.length - base < 64) free &= (std::uint64_t{1} << (b.length - base)) - 1;
    while (free != 0) {
      const auto y = base + 63 - static_cast<std::uint32_t>(std::countl_zero(free));
      free &= ~(std::uint64_t{1} << (y - base));
      const std::uint32_t gram = load32(tb + y);
      if (has_zero_byte(gram)) continue;
      std::uint16_t& head = chains_[chain_of(gram, bits)];
      chained_[y] = head;
      head = static_cast<std::uint16_t>(y);
    }
  }
  std::size_t cells = cells_;
  std::size_t found = 0;
  std::uint32_t longest = 0;
  for (std::uint32_t base = 0; base < a.length; base += 64) {
    std::uint64_t free = free_grams_at(covered_a_.data(), base);
    if (a.length - base < 64) free &= (std::uint64_t{1} << (a.length - base)) - 1;
    for (; free != 0; free &= free - 1) {
      const auto x = base + static_cast<std::uint32_t>(std::countr_zero(free));
      const std::uint32_t gram = load32(ta + x);
      if (has_zero_byte(gram)) continue;
      // The character before x, where a free run through (x, y) could
      // start further left; 0 where none can.
      const std::uint8_t c = x == 0 || covered_at(covered_a_, x - 1) ? 0 : ta[x - 1];
      const std::uint64_t covered_from_x = bits_at(covered_a_.data(), x);
      for (std::uint32_t y = chains_[chain_of(gram, bits)]; y != kEndOfChain; y = chained_[y]) {
        if (load32(tb + y) != gram) continue;
        if (++cells > max_cells) return false;
        if (c != 0 && y != 0 && tb[y - 1] == c && !covered_at(covered_b_, y - 1)) continue;
        // No free common stretch is as long as a gram (8 < 64), so the
        // first covered character is within a word of either start.
        const std::uint64_t covered = covered_from_x | bits_at(covered_b_.data(), y);
        const std::uint32_t length =
            std::min(4 + common_run(ta + x + 4, tb + y + 4),
                     static_cast<std::uint32_t>(std::countr_zero(covered)));
        assert(length < kWideGram);
        if (length < min_length) continue;
        if (found == found_.size()) found_.resize(std::max<std::size_t>(2 * found, 64));
        found_[found++] = run_word(length, x, y);
        longest = std::max(longest, length);
      }
    }
  }
  cells_ = cells;
  list_by_length(found, longest);
  return true;
}

void RunTiler::cover_nothing(const RunIndex& a, const RunIndex& b) {
  // Spare words for bits_at at every position up to length + 3 (a 4-gram's
  // last byte), and for the bits past the end it may read.
  covered_a_.assign(a.length / 64 + 3, 0);
  covered_b_.assign(b.length / 64 + 3, 0);
}

void RunTiler::take_runs(std::uint32_t min_length, std::vector<OriginalTile>& tiles) {
  heap_.clear();
  constexpr std::uint64_t kEnd = ~std::uint64_t{0};  // after every run
  // The least piece of a cut run, or kEnd: kept at hand, since it changes
  // only when a piece is taken or queued.
  std::uint64_t piece = kEnd;
  for (auto length = static_cast<std::uint32_t>(first_.size() - 1); length >= min_length;
       --length) {
    // The runs of this length and the pieces that have it, in (a, b)
    // order. A cut queues pieces shorter than the level, which come after
    // every run of it.
    for (std::uint32_t i = first_[length]; i != kNoRun;) {
      const std::uint64_t run = found_[i];
      if (piece < run) {
        take_piece(min_length, tiles);
        piece = heap_.empty() ? kEnd : heap_.front();
        continue;
      }
      i = next_[i];
      if (take(run, min_length, tiles)) piece = heap_.front();
    }
    while (piece != kEnd && run_length(piece) == length) {
      take_piece(min_length, tiles);
      piece = heap_.empty() ? kEnd : heap_.front();
    }
  }
}

// Takes the least piece off the heap.
void RunTiler::take_piece(std::uint32_t min_length, std::vector<OriginalTile>& tiles) {
  const std::uint64_t run = heap_.front();
  std::pop_heap(heap_.begin(), heap_.end(), std::greater<>());
  heap_.pop_back();
  take(run, min_length, tiles);
}

// Lays `run` as a tile if no tile touches it; otherwise queues what is left
// of it, and says whether anything was.
inline bool RunTiler::take(std::uint64_t run, std::uint32_t min_length,
                           std::vector<OriginalTile>& tiles) {
  const std::uint32_t length = run_length(run);
  const std::uint32_t x = run_a(run);
  const std::uint32_t y = run_b(run);
  bool touched;
  if (length <= 64) {
    const std::uint64_t mask = kAll >> (64 - length);
    const std::uint64_t covered =
        (bits_at(covered_a_.data(), x) | bits_at(covered_b_.data(), y)) & mask;
    // Most runs are cut to nothing: no min_length free offsets in a row.
    if (covered != 0 && !has_free_stretch(~covered & mask, min_length)) return false;
    touched = covered != 0;
  } else {
    touched = any_in(covered_a_.data(), x, length) || any_in(covered_b_.data(), y, length);
  }
  if (!touched) {
    lay_tile(x, y, length, tiles);
    return false;
  }
  const std::size_t queued = heap_.size();
  cut(run, min_length);
  return heap_.size() != queued;
}

void RunTiler::lay_tile(std::uint32_t x, std::uint32_t y, std::uint32_t length,
                        std::vector<OriginalTile>& tiles) {
  set_range(covered_a_, x, length);
  set_range(covered_b_, y, length);
  tiles.push_back({x, y, length});
}

// Queues what the tiles have left of `run`: its uncovered pieces of
// min_length characters or more.
void RunTiler::cut(std::uint64_t run, std::uint32_t min_length) {
  const std::uint32_t length = run_length(run);
  const std::uint32_t x = run_a(run);
  const std::uint32_t y = run_b(run);
  // Covered offsets of the run, 64 at a time.
  const auto covered_from = [&](std::uint32_t t) {
    return bits_at(covered_a_.data(), x + t) | bits_at(covered_b_.data(), y + t);
  };
  std::uint32_t t = 0;
  while (t < length) {
    // Skip covered offsets.
    for (;;) {
      const std::uint64_t free = ~covered_from(t);
      if (free != 0) {
        t += static_cast<std::uint32_t>(std::countr_zero(free));
        break;
      }
      t += 64;
      if (t >= length) return;
    }
    if (t >= length) return;
    std::uint32_t end = t;
    for (;;) {
      const std::uint64_t bits = covered_from(end);
      if (bits != 0) {
        end += static_cast<std::uint32_t>(std::countr_zero(bits));
        break;
      }
      end += 64;
      if (end >= length) break;
    }
    end = std::min(end, length);
    if (end - t >= min_length) {
      heap_.push_back(run_word(end - t, x + t, y + t));
      std::push_heap(heap_.begin(), heap_.end(), std::greater<>());
    }
    t = end;
  }
}

}  // namespace codetwin::similarity
