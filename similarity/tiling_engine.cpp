// All tiling passes at once, choosing exactly the tile that each literal
// pass would choose.
//
// Positions here are those of the strings as loaded ("original"), in the
// text T = A NUL B. The passes never reorder characters: the string after
// some passes is the original with every tile replaced by one space, so the
// run at a pair of current positions is the run of uncovered characters at
// the matching original positions, and "smallest position" means the same
// in both systems. Runs only shrink as tiles are laid. So the passes can be
// grouped by run length ("level") L, from the longest down to MinMatchLen + 1:
// while the longest run is L, each pass takes the pair (a, b) of original
// positions with a run of L that is smallest in (a, b) order among those not
// yet touched by a tile. That is one left-to-right sweep over a.
//
// A pair (a, b) has a run of at least L when
//   - a and b are in the same *class* at depth L: suffixes of T sharing
//     their first L characters, none a separator. In the suffix array these
//     are the runs of ranks joined by LCP values >= L, where the LCP stops at
//     separators. Going down one level joins the classes across the LCP
//     values equal to the new level (the *events* of that level);
//   - both are *valid* at L: uncovered, and their *window* (distance to the
//     next separator, covered position or string end) is at least L.
// A tile (a, b, L) covers its two windows; the L - 1 positions before each of
// them get a window shorter than L, so they go invalid, and each comes back
// at the level equal to its new window. Every tile start, separator and
// string end is a *blocker* whose *frontier* s - L walks right as the level
// drops: at level L it makes s - L valid again ("activation"). So validity
// changes O(length) times per tile and once per position besides.
//
// Each class is a range of ranks, kept as a union-find forest whose root is
// the class's first rank and holds its last (the LCP array's memory, free
// once the events are sorted by level).
// Two block-minimum trees over ranks give the smallest valid A position and
// the smallest valid B position of a range (their values may be stale lower
// bounds, fixed when met). A bit set over A positions is the sweep's queue:
// a bit at a says "look at a's class"; it is set at the class's smallest
// valid A position whenever the class is joined, gains a valid position, or
// loses its tile start. The sweep takes the smallest queued a, reads the
// class's smallest valid A and B, and lays a tile when they exist and the A
// position is a itself. Queue bits may be stale (a class queued twice, or
// its smallest valid A gone since); the sweep then re-queues the class at
// its true smallest valid A. A class that can pair always has a bit at or
// before its smallest valid A, so one whose smallest valid A lies behind
// the sweep cannot pair.
//
// Only which suffixes share a prefix matters, never the order of two
// symbols: the text is written in small codes (0 for every separator, then
// the other bytes present, in byte order), which keeps the suffix sorter's
// tables small, and a 0 after the text stops every comparison.
//
// Nor does the order need to be that of T's own suffixes: any order of the
// suffixes of A and B in which those sharing a prefix stand together will
// do, with the LCPs of neighbours. So the merged method sorts each string
// once, by itself (StringIndex), and for a pair merges the two: the order of
// the strings, with B's first between equal ones. The merge learns most
// LCPs from the strings' own, and compares characters only where those
// leave the order open; an LCP without separators is the plain one cut at
// the first separator.
//
// Everything is O(N log N) time for N = La + Lb on any input: each event,
// activation and tile costs a constant number of set and tree operations.
// (The merge is linear in N plus the characters it compares; it gives up
// for a sort when those pass a linear bound.)
// With 32-bit positions the memory is about 18 bytes per character: the
// suffix array, its inverse, the LCPs and the events (4 each), the text in
// codes (1), and a few bits. It is all kept for the next pair; an index
// takes 14 bytes per character of its string.
#include "similarity/tiling_engine.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "similarity/bit_tree.h"
#include "similarity/short_tiling.h"
#include "similarity/suffix_array.h"

namespace codetwin::similarity {

namespace {

// Ranks are grouped in blocks of 64: one word of rank bits.
constexpr unsigned kBlockShift = 6;
constexpr std::uint64_t kAllBits = ~std::uint64_t{0};

template <typename Index>
bool test_bit(const std::vector<std::uint64_t>& bits, Index i) {
  return (bits[i >> 6] >> (i & 63)) & 1;
}
template <typename Index>
void set_bit(std::vector<std::uint64_t>& bits, Index i) {
  bits[i >> 6] |= std::uint64_t{1} << (i & 63);
}
template <typename Index>
void clear_bit(std::vector<std::uint64_t>& bits, Index i) {
  bits[i >> 6] &= ~(std::uint64_t{1} << (i & 63));
}

template <typename Index>
constexpr Index kNone = std::numeric_limits<Index>::max();

// A space (how a tile stands) and a NUL stop every run.
bool is_separator(char c) { return c == '\0' || c == ' '; }

// The text in codes is followed by this many bytes, the first of them 0, so
// that runs can be compared a word at a time.
constexpr std::size_t kTextPadding = 8;

// Sorting the suffixes of A NUL B costs about as much as the merge comparing
// 300 characters per character of the text; pairs of class programs take
// 2 to 20, a program and its exact copy several hundred.
constexpr std::size_t kMergeComparesPerChar = 256;

// The high bit of each byte of v that is not 0.
std::uint64_t nonzero_bytes(std::uint64_t v) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
  constexpr std::uint64_t kHigh = 0x8080808080808080;
  return (((v & kLow7) + kLow7) | v) & kHigh;
}

// h plus the number of equal codes, none 0, from t + p + h and t + q + h on.
template <typename Index>
Index extend_run(const std::uint8_t* t, Index p, Index q, Index h) {
  if constexpr (std::endian::native == std::endian::little) {
    for (;;) {
      std::uint64_t x;
      std::uint64_t y;
      std::memcpy(&x, t + p + h, sizeof x);
      std::memcpy(&y, t + q + h, sizeof y);
      // A byte that differs, or a 0 in both, ends the run.
      const std::uint64_t stop = nonzero_bytes(x ^ y) | (~nonzero_bytes(x) & 0x8080808080808080);
      if (stop != 0) return h + static_cast<Index>(std::countr_zero(stop) >> 3);
      h += 8;
    }
  } else {
    while (t[p + h] == t[q + h] && t[p + h] != 0) ++h;
    return h;
  }
}

// The number of characters, from h on, that x[i..] and y[j..] share, where
// x has Lx characters and y has Ly, both followed by kTextPadding readable
// bytes; at least h.
template <typename Index>
Index common_length(const char* x, Index i, Index Lx, const char* y, Index j, Index Ly, Index h) {
  const Index limit = std::min(Lx - i, Ly - j);
  if constexpr (std::endian::native == std::endian::little) {
    while (h < limit) {
      std::uint64_t u;
      std::uint64_t v;
      std::memcpy(&u, x + i + h, sizeof u);
      std::memcpy(&v, y + j + h, sizeof v);
      if (u != v) return std::min(limit, h + static_cast<Index>(std::countr_zero(u ^ v) >> 3));
      h += 8;
    }
    return limit;
  } else {
    while (h < limit && x[i + h] == y[j + h]) ++h;
    return h;
  }
}

// A hash of a string's bytes, to find its index.
std::uint64_t hash_of(std::string_view s) {
  std::uint64_t h = s.size();
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + i, sizeof word);
    h = (h ^ word) * 0x9E3779B97F4A7C15;
    h ^= h >> 29;
  }
  for (; i < s.size(); ++i) h = (h ^ static_cast<unsigned char>(s[i])) * 0x100000001B3;
  return h ^ (h >> 32);
}

// Minimum per block of ranks, and over any range of blocks. A value may be a
// lower bound: the position of a member that has since gone invalid.
template <typename Index>
class BlockMinTree {
 public:
  void reset(std::size_t blocks) {
    blocks_ = blocks;
    node_.assign(2 * blocks, kNone<Index>);
  }
  void set_leaf(std::size_t block, Index value) { node_[blocks_ + block] = value; }
  void build() {
    for (std::size_t i = blocks_; i-- > 1;) node_[i] = std::min(node_[2 * i], node_[2 * i + 1]);
  }
  void assign(std::size_t block, Index value) {
    std::size_t i = blocks_ + block;
    node_[i] = value;
    for (i >>= 1; i > 0; i >>= 1) node_[i] = std::min(node_[2 * i], node_[2 * i + 1]);
  }
  void lower(std::size_t block, Index value) {
    for (std::size_t i = blocks_ + block; i > 0 && node_[i] > value; i >>= 1) node_[i] = value;
  }
  /// Minimum over blocks first..last.
  Index range_min(std::size_t first, std::size_t last) const {
    Index best = kNone<Index>;
    for (std::size_t l = first + blocks_, h = last + blocks_ + 1; l < h; l >>= 1, h >>= 1) {
      if (l & 1) best = std::min(best, node_[l++]);
      if (h & 1) best = std::min(best, node_[--h]);
    }
    return best;
  }

 private:
  std::size_t blocks_ = 0;
  std::vector<Index> node_;  // node_[blocks_ + b] is block b; node_[i] = min of 2i, 2i + 1
};

// A non-decreasing sequence of numbers, each at most `max_value`, stored as
// unary gaps: count + max_value + 1 bits in all.
class MonotoneBits {
 public:
  void reset(std::size_t count, std::size_t max_value) {
    words_.assign((count + max_value) / 64 + 2, 0);
    next_ = 0;
    last_ = 0;
  }
  void release() { std::vector<std::uint64_t>().swap(words_); }

  void push(std::size_t value) {
    next_ += value - last_;
    last_ = value;
    words_[next_ >> 6] |= std::uint64_t{1} << (next_ & 63);
    ++next_;
  }

  /// Reads the numbers back in order.
  class Reader {
   public:
    explicit Reader(const MonotoneBits& bits) : words_(bits.words_) {}
    std::size_t next() {
      std::size_t w = position_ >> 6;
      std::uint64_t word = words_[w] & (kAllBits << (position_ & 63));
      while (word == 0) word = words_[++w];
      const std::size_t one = (w << 6) | static_cast<std::size_t>(std::countr_zero(word));
      value_ += one - position_;
      position_ = one + 1;
      return value_;
    }

   private:
    const std::vector<std::uint64_t>& words_;
    std::size_t position_ = 0;
    std::size_t value_ = 0;
  };

 private:
  std::vector<std::uint64_t> words_;
  std::size_t next_ = 0;  // the bit after the last one written
  std::size_t last_ = 0;  // the last number
};

}  // namespace

// What one string needs so that the suffix array of A NUL B can be had by
// merging A's and B's: its own sorted suffixes and their LCPs.
template <typename Index>
struct StringIndex {
  Index length = 0;
  std::string bytes;        // the string, then kTextPadding zero bytes
  std::vector<Index> sa;    // its suffixes in order, one that begins another first
  std::vector<Index> lcp;   // lcp[k]: what suffixes sa[k - 1] and sa[k] share, separators too
  std::vector<Index> free;  // free[i]: characters from i to the first separator or the end
  std::vector<std::uint8_t> marks;  // marks[i]: 0 for a separator, 1 for any other
};

template <typename Index>
class SuffixTiler {
 public:
  /// Appends the tiles in pass order, in original positions, sorting the
  /// suffixes of A NUL B.
  void run(std::string_view A, std::string_view B, Index min_match_len,
           std::vector<OriginalTile>& tiles) {
    if (!start(A.size(), B.size(), min_match_len, tiles, true)) return;
    encode_text(A, B);
    sort_suffixes();
    tile_levels();
  }

  /// The same from the two strings' own indexes (see StringIndex), unless
  /// the merge would compare more than sorting costs.
  void run(const StringIndex<Index>& a, const StringIndex<Index>& b, Index min_match_len,
           std::vector<OriginalTile>& tiles) {
    if (!start(a.length, b.length, min_match_len, tiles, false)) return;
    mark_separators(a, b);
    if (!merge_suffixes(a, b)) {
      run(std::string_view(a.bytes.data(), a.length), std::string_view(b.bytes.data(), b.length),
          min_match_len, tiles);
      return;
    }
    tile_levels();
  }

  /// The index of string `s`, made when first asked for. Indexes are kept
  /// until they would hold more than `budget` characters; then they are all
  /// dropped before the next pair (never between the two of a pair).
  const StringIndex<Index>& string_index(std::string_view s) {
    const std::uint64_t key = hash_of(s);
    const auto [first, last] = indexes_.equal_range(key);
    for (auto it = first; it != last; ++it) {
      if (std::string_view(it->second->bytes.data(), it->second->length) == s) return *it->second;
    }
    auto index = std::make_unique<StringIndex<Index>>();
    build_index(s, *index);
    indexed_chars_ += s.size();
    return *indexes_.emplace(key, std::move(index))->second;
  }
  /// Texts longer than this are tiled in compact mode.
  void set_compact_above(std::size_t chars) { compact_above_ = chars; }

  void make_room_for(std::size_t chars, std::size_t budget) {
    if (indexed_chars_ + chars <= budget) return;
    indexes_.clear();
    indexed_chars_ = 0;
  }

 private:
  struct Blocker {
    Index s;   // the blocking position
    Index st;  // first position of its stretch: st..s-1 hold no obstacle
  };

  bool is_obstacle(Index p) const { return test_bit(covered_, p) || text_[p] == 0; }

  // text_ = A NUL B in codes, then padding; symbols_ codes in all.
  void encode_text(std::string_view A, std::string_view B) {
    std::array<std::uint8_t, 256> code{};
    for (char c : A) code[static_cast<unsigned char>(c)] = 1;
    for (char c : B) code[static_cast<unsigned char>(c)] = 1;
    code[static_cast<unsigned char>(' ')] = 0;
    code[0] = 0;
    unsigned next = 1;
    for (std::uint8_t& c : code) {
      if (c != 0) c = static_cast<std::uint8_t>(next++);
    }
    symbols_ = static_cast<Index>(next);
    if (text_.size() < n_ + kTextPadding) text_.resize(n_ + kTextPadding);
    std::uint8_t* t = text_.data();
    for (char c : A) *t++ = code[static_cast<unsigned char>(c)];
    *t++ = 0;
    for (char c : B) *t++ = code[static_cast<unsigned char>(c)];
    std::fill(t, t + kTextPadding, 0);
  }

  // Sets up the pair; false when no tile can be laid. Compact mode, when
  // allowed, keeps the LCPs in 2 bits per character and the classes in a
  // bit tree searched both ways: slower for a short text, which fits in
  // the cache either way, but faster for a long one, and smaller.
  bool start(std::size_t La, std::size_t Lb, Index min_match_len, std::vector<OriginalTile>& tiles,
             bool compact_allowed) {
    La_ = static_cast<Index>(La);
    Lb_ = static_cast<Index>(Lb);
    n_ = La_ + 1 + Lb_;
    M_ = min_match_len;
    tiles_ = &tiles;
    if (std::min(La_, Lb_) <= M_) return false;
    compact_ = compact_allowed && n_ > compact_above_;
    if (sa_.size() < n_) {
      sa_.resize(n_);
      rank_.resize(n_);
    }
    if (compact_) {
      lcp_bits_.reset(n_, n_);
    } else if (lcp_.size() < n_) {
      lcp_.resize(n_);
    }
    cap_ = std::min(La_, Lb_);
    level_end_.assign(static_cast<std::size_t>(cap_) + 1, 0);
    S_ = 0;
    top_count_ = 0;
    return true;
  }

  void tile_levels() {
    if (S_ <= M_) return;
    place_events();
    set_up_sweep();
    open_top_level();
    sweep(S_);
    for (Index L = S_ - 1; L > M_; --L) {
      open_level(L);
      sweep(L);
    }
  }

  // Records that rank k shares `lcp` characters, none a separator, with
  // rank k - 1, and whether the two come from different strings.
  void note_lcp(Index k, Index lcp, bool across) {
    const Index capped = std::min(lcp, cap_);  // A-A or B-B LCPs may be longer; no run can
    if (!compact_) lcp_[k] = capped;
    // Without branches, which these would mispredict: level 0 (never a
    // level, since levels are above MinMatchLen) takes the LCPs that are no
    // level.
    ++level_end_[capped > M_ ? capped : 0];
    top_count_ = std::max(top_count_, capped);
    S_ = std::max(S_, across ? capped : Index{0});
  }

  // Suffix array of text_, its inverse and the LCPs.
  void sort_suffixes() {
    sorter_.sort(text_.data(), n_, symbols_, sa_.data());
    if (compact_) sorter_.release();
    for (Index k = 0; k < n_; ++k) rank_[sa_[k]] = k;
    mark_sides();

    // Kasai's walk, text order: h is the number of leading characters, none
    // a separator, that suffix p shares with the one ranked just before it.
    // It drops by at most one from p to p + 1, so the walk is linear.
    const std::uint8_t* t = text_.data();
    Index h = 0;
    for (Index p = 0; p < n_; ++p) {
      const Index k = rank_[p];
      if (k == 0) {
        h = 0;
      } else {
        const Index q = sa_[k - 1];
        h = extend_run(t, p, q, h);
        note_lcp(k, h, (p < La_) != (q < La_));
      }
      if (compact_) lcp_bits_.push(static_cast<std::size_t>(h) + p);
      if (h > 0) --h;
    }
    if (!compact_) lcp_[0] = 0;
  }

  // text_ for the sweep when the suffixes come from the indexes: 0 for a
  // separator, 1 for any other character.
  void mark_separators(const StringIndex<Index>& a, const StringIndex<Index>& b) {
    if (text_.size() < n_ + kTextPadding) text_.resize(n_ + kTextPadding);
    std::uint8_t* t = text_.data();
    std::memcpy(t, a.marks.data(), La_);
    t[La_] = 0;
    std::memcpy(t + La_ + 1, b.marks.data(), Lb_);
  }

  // The suffix array, its inverse and the LCPs of A NUL B from the sorted
  // suffixes of A and of B: one merge. The NUL's suffix, which shares
  // nothing, comes first. Two heads are compared from their known common
  // length h on, and h follows from the LCP of the head taken with the next
  // one of its string (the merge of sorted strings with LCPs): larger, h
  // stays; smaller, h becomes it; equal, compare on. A suffix that begins
  // another comes first; between equal ones B's. False, with the work left
  // half done, when the characters compared pass kMergeComparesPerChar per
  // character: long common stretches (a string and its exact copy) make
  // the merge quadratic, and sorting is cheaper then.
  bool merge_suffixes(const StringIndex<Index>& a, const StringIndex<Index>& b) {
    const char* ta = a.bytes.data();
    const char* tb = b.bytes.data();
    // Characters the merge may still compare.
    std::size_t allowance = kMergeComparesPerChar * static_cast<std::size_t>(n_);
    // Which comes first of A's suffix x and B's suffix y that share h
    // characters.
    const auto a_before = [&](Index x, Index y, Index h) {
      if (h == La_ - x) return h < Lb_ - y;
      if (h == Lb_ - y) return false;
      return static_cast<unsigned char>(ta[x + h]) < static_cast<unsigned char>(tb[y + h]);
    };
    Index k = 1;
    is_a_.assign((static_cast<std::size_t>(n_) + 63) / 64, 0);
    // Takes the suffix at `position` as rank k; it shares `shared`
    // characters with rank k - 1, which comes from the other string when
    // `across`.
    const auto take = [&](Index position, Index shared, Index free, bool across) {
      sa_[k] = position;
      rank_[position] = k;
      is_a_[k >> 6] |= static_cast<std::uint64_t>(position < La_) << (k & 63);
      note_lcp(k, std::min(shared, free), across);
      ++k;
    };
    sa_[0] = La_;
    rank_[La_] = 0;
    lcp_[0] = 0;
    Index ia = 0;
    Index ib = 0;
    Index x = a.sa[0];
    Index y = b.sa[0];
    Index h = common_length(ta, x, La_, tb, y, Lb_, Index{0});  // of x and y
    bool a_first = a_before(x, y, h);
    Index shared = 0;  // of the next suffix taken with the last one
    bool across = false;
    for (;;) {
      if (a_first) {
        take(x, shared, a.free[x], across);
        if (++ia == La_) {
          shared = h;
          across = true;
          break;
        }
        const Index l = a.lcp[ia];  // of x and the next x
        const Index h_before = h;
        x = a.sa[ia];
        if (l < h) {
          h = l;
          a_first = false;
        } else if (l == h) {
          h = common_length(ta, x, La_, tb, y, Lb_, h);
          if (h - l >= allowance) return false;
          allowance -= h - l;
          a_first = a_before(x, y, h);
        }
        shared = a_first ? l : h_before;
        across = !a_first;
      } else {
        take(La_ + 1 + y, shared, b.free[y], across);
        if (++ib == Lb_) {
          shared = h;
          across = true;
          break;
        }
        const Index l = b.lcp[ib];
        const Index h_before = h;
        y = b.sa[ib];
        if (l < h) {
          h = l;
          a_first = true;
        } else if (l == h) {
          h = common_length(ta, x, La_, tb, y, Lb_, h);
          if (h - l >= allowance) return false;
          allowance -= h - l;
          a_first = a_before(x, y, h);
        }
        shared = a_first ? h_before : l;
        across = a_first;
      }
    }
    // What is left of one string.
    for (; ia < La_; ++ia, across = false) {
      if (!across) shared = a.lcp[ia];
      take(a.sa[ia], shared, a.free[a.sa[ia]], across);
    }
    for (; ib < Lb_; ++ib, across = false) {
      if (!across) shared = b.lcp[ib];
      take(La_ + 1 + b.sa[ib], shared, b.free[b.sa[ib]], across);
    }
    return true;
  }

  // Events by level, longest first, by rank within a level; everything
  // above S_ joins at S_.
  void place_events() {
    for (Index L = S_ + 1; L <= std::min(top_count_, cap_); ++L) level_end_[S_] += level_end_[L];
    if (compact_) {  // levels above S_ are no more; give their memory back
      level_end_.resize(static_cast<std::size_t>(S_) + 1);
      level_end_.shrink_to_fit();
    }
    Index* count = level_end_.data();
    Index total = 0;
    for (Index L = S_; L > M_; --L) {
      const Index level_count = count[L];
      count[L] = total;  // the level's start until the events are placed
      total += level_count;
    }
    // One more slot after the events, where the LCPs that are no event go.
    if (events_.size() < total + 1) events_.resize(total + 1);
    count[0] = total;
    if (compact_) {  // text order within a level
      MonotoneBits::Reader lcps(lcp_bits_);
      for (Index p = 0; p < n_; ++p) {
        const auto lcp = static_cast<Index>(lcps.next() - p);
        const Index k = rank_[p];
        if (k > 0 && lcp > M_) events_[count[std::min(lcp, S_)]++] = k;
      }
      lcp_bits_.release();
      return;
    }
    for (Index k = 1; k < n_; ++k) {
      const Index lcp = std::min(lcp_[k], S_);
      const Index level = lcp > M_ ? lcp : 0;
      events_[count[level]] = k;
      count[level] += level != 0;
    }
  }

  void build_index(std::string_view s, StringIndex<Index>& index) {
    const auto length = static_cast<Index>(s.size());
    index.length = length;
    index.bytes.assign(s);
    index.bytes.append(kTextPadding, '\0');
    index.sa.resize(length);
    index.lcp.resize(length);
    index.free.resize(length);
    const auto* t = reinterpret_cast<const std::uint8_t*>(index.bytes.data());
    sorter_.sort(t, length, 256, index.sa.data());
    if (rank_.size() < length) rank_.resize(length);
    for (Index k = 0; k < length; ++k) rank_[index.sa[k]] = k;
    Index h = 0;  // Kasai's walk, separators included
    for (Index i = 0; i < length; ++i) {
      const Index k = rank_[i];
      if (k == 0) {
        index.lcp[0] = 0;
        h = 0;
        continue;
      }
      h = common_length(index.bytes.data(), i, length, index.bytes.data(), index.sa[k - 1], length,
                        h);
      index.lcp[k] = h;
      if (h > 0) --h;
    }
    index.marks.resize(length);
    Index free = 0;
    for (Index i = length; i-- > 0;) {
      index.marks[i] = !is_separator(s[i]);
      free = index.marks[i] == 0 ? 0 : free + 1;
      index.free[i] = free;
    }
  }

  // By rank: the suffix starts in A (the merge marks them as it goes).
  void mark_sides() {
    const std::size_t words = (static_cast<std::size_t>(n_) + 63) / 64;
    is_a_.resize(words);
    for (std::size_t w = 0; w < words; ++w) {
      const std::size_t first = w << kBlockShift;
      const std::size_t end = std::min(first + 64, static_cast<std::size_t>(n_));
      std::uint64_t word = 0;
      for (std::size_t k = first; k < end; ++k) {
        word |= static_cast<std::uint64_t>(sa_[k] < La_) << (k - first);
      }
      is_a_[w] = word;
    }
  }

  void set_up_sweep() {
    const std::size_t words = (static_cast<std::size_t>(n_) + 63) / 64;
    valid_.assign(words, 0);
    covered_.assign(words, 0);
    // Every rank is a class of its own: its own root, ending at itself.
    if (compact_) {
      classes_.reset(n_, true);
    } else {
      parent_ = lcp_.data();
      for (Index k = 0; k < n_; ++k) parent_[k] = k;
    }
    queue_.reset(La_);
    tree_a_.reset(words);
    tree_b_.reset(words);

    // The stretches between separators, longest first; one of MinMatchLen
    // characters or fewer never holds a run worth a tile.
    waiting_.clear();
    active_.clear();
    next_waiting_ = 0;
    add_stretches(0, La_);
    add_stretches(La_ + 1, n_);
    std::sort(waiting_.begin(), waiting_.end(),
              [](const Blocker& x, const Blocker& y) { return x.s - x.st > y.s - y.st; });
  }

  void add_stretches(Index begin, Index end) {
    const std::uint8_t* t = text_.data();
    Index st = begin;
    while (st <= end) {
      const auto* found = static_cast<const std::uint8_t*>(std::memchr(t + st, 0, end - st));
      const Index p = found == nullptr ? end : static_cast<Index>(found - t);
      if (p - st > M_) waiting_.push_back({p, st});
      st = p + 1;
    }
  }

  // Level S_: joins every class down to depth S_, makes valid every
  // position whose window is at least S_, and queues every class that may
  // have valid positions on both sides (only a joined class can).
  void open_top_level() {
    const auto [first_event, last_event] = level_events(S_);
    for (; next_waiting_ < waiting_.size(); ++next_waiting_) {
      const Blocker& blocker = waiting_[next_waiting_];
      if (blocker.s - blocker.st < S_) break;
      for (Index p = blocker.st; p <= blocker.s - S_; ++p) set_bit(valid_, rank_[p]);
      active_.push_back(blocker);
    }
    for (std::size_t block = 0; block < valid_.size(); ++block) {
      tree_a_.set_leaf(block, block_min(block, true, kAllBits));
      tree_b_.set_leaf(block, block_min(block, false, kAllBits));
    }
    tree_a_.build();
    tree_b_.build();
    join(first_event, last_event);
  }

  // A lower level: joins classes across its events, then lets every
  // blocker's frontier step right.
  void open_level(Index L) {
    const auto [first_event, last_event] = level_events(L);
    join(first_event, last_event);
    for (; next_waiting_ < waiting_.size(); ++next_waiting_) {
      const Blocker& blocker = waiting_[next_waiting_];
      if (blocker.s - blocker.st < L) break;
      active_.push_back(blocker);
    }
    for (const Blocker& blocker : active_) {
      if (blocker.s - blocker.st < L) continue;
      const Index p = blocker.s - L;
      if (!test_bit(covered_, p)) activate(p);
    }
  }

  std::pair<const Index*, const Index*> level_events(Index L) const {
    const Index first = L == S_ ? 0 : level_end_[L + 1];
    return {events_.data() + first, events_.data() + level_end_[L]};
  }

  // Joins the classes across each event, and queues each class so made
  // once it is whole (the events are in rank order unless compact).
  void join(const Index* first_event, const Index* last_event) {
    if (compact_) {
      for (const Index* e = first_event; e != last_event; ++e) classes_.clear(*e);
      for (const Index* e = first_event; e != last_event; ++e) {
        const auto [first, last] = class_of(*e);
        queue_class(first, last);
      }
      return;
    }
    Index root = kNone<Index>;  // the class being joined, first..last rank
    Index last = 0;
    for (const Index* e = first_event; e != last_event; ++e) {
      if (root == kNone<Index> || *e != last + 1) {
        if (root != kNone<Index>) queue_class(root, last);
        root = find(*e - 1);
      }
      last = parent_[*e];
      parent_[*e] = root;
      parent_[root] = last;
    }
    if (root != kNone<Index>) queue_class(root, last);
  }

  // The first rank of the class holding rank k. A root holds a number not
  // below itself (its class's last rank), any other rank a smaller one.
  Index find(Index k) {
    for (;;) {
      const Index up = parent_[k];
      if (up >= k) return k;
      const Index above = parent_[up];
      if (above >= up) return up;
      parent_[k] = above;  // halves the path
      k = above;
    }
  }

  void activate(Index p) {
    const Index k = rank_[p];
    set_bit(valid_, k);
    (p < La_ ? tree_a_ : tree_b_).lower(k >> kBlockShift, p);
    const auto [first, last] = class_of(k);
    queue_class(first, last);
  }

  // First and last rank of the class holding rank k.
  std::pair<Index, Index> class_of(Index k) {
    if (compact_) {
      const auto first = static_cast<Index>(classes_.prev(k));
      const std::size_t next = classes_.next(static_cast<std::size_t>(k) + 1);
      return {first, next == BitTree::kNone ? n_ - 1 : static_cast<Index>(next - 1)};
    }
    const Index first = find(k);
    return {first, parent_[first]};
  }

  void queue_class(Index first, Index last) {
    if (!may_pair(first, last)) return;
    const Index a = min_valid(tree_a_, true, first, last);
    if (a != kNone<Index>) queue_.set(a);
  }

  // False when ranks first..last surely lack a valid position on one side.
  // Looks only at the bits of ranges within two blocks, which spares
  // reading the suffix array for the many small classes.
  bool may_pair(Index first, Index last) const {
    if (first == last) return false;
    const std::size_t fb = first >> kBlockShift;
    const std::size_t lb = last >> kBlockShift;
    if (lb - fb > 1) return true;
    std::uint64_t in_a = 0;
    std::uint64_t in_b = 0;
    for (std::size_t block = fb; block <= lb; ++block) {
      std::uint64_t mask = kAllBits;
      if (block == fb) mask &= kAllBits << (first & 63);
      if (block == lb) mask &= kAllBits >> (63 - (last & 63));
      const std::uint64_t valid = valid_[block] & mask;
      in_a |= valid & is_a_[block];
      in_b |= valid & ~is_a_[block];
    }
    return in_a != 0 && in_b != 0;
  }

  // Smallest valid position on one side among the suffixes of the block
  // that `mask` selects.
  Index block_min(std::size_t block, bool side_a, std::uint64_t mask) const {
    std::uint64_t bits = valid_[block] & (side_a ? is_a_[block] : ~is_a_[block]) & mask;
    const Index* sa = sa_.data() + (block << kBlockShift);
    Index best = kNone<Index>;
    for (; bits != 0; bits &= bits - 1) best = std::min(best, sa[std::countr_zero(bits)]);
    return best;
  }

  // Smallest valid position on one side among ranks first..last; stale tree
  // values met on the way are corrected.
  Index min_valid(BlockMinTree<Index>& tree, bool side_a, Index first, Index last) {
    const std::size_t fb = first >> kBlockShift;
    const std::size_t lb = last >> kBlockShift;
    const std::uint64_t from = kAllBits << (first & 63);
    const std::uint64_t upto = kAllBits >> (63 - (last & 63));
    if (fb == lb) return block_min(fb, side_a, from & upto);
    const Index ends = std::min(block_min(fb, side_a, from), block_min(lb, side_a, upto));
    if (fb + 1 == lb) return ends;
    for (;;) {
      const Index inner = tree.range_min(fb + 1, lb - 1);
      if (inner >= ends) return ends;
      const Index k = rank_[inner];
      if (test_bit(valid_, k)) return inner;
      const std::size_t block = k >> kBlockShift;
      tree.assign(block, block_min(block, side_a, kAllBits));
    }
  }

  // The sweep of level L over queued A positions, left to right.
  void sweep(Index L) {
    for (std::size_t x = queue_.next(0); x != BitTree::kNone; x = queue_.next(x + 1)) {
      queue_.clear(x);
      const auto [first, last] = class_of(rank_[x]);
      if (!may_pair(first, last)) continue;
      const Index a = min_valid(tree_a_, true, first, last);
      // A class whose smallest valid A lies behind the sweep has no valid B.
      if (a == kNone<Index> || a < x) continue;
      if (a > x) {
        queue_.set(a);
        continue;
      }
      const Index b = min_valid(tree_b_, false, first, last);
      if (b == kNone<Index>) continue;
      lay_tile(a, b, L);
      if (!may_pair(first, last)) continue;
      const Index next_a = min_valid(tree_a_, true, first, last);
      if (next_a != kNone<Index>) queue_.set(next_a);
    }
  }

  void lay_tile(Index a, Index b, Index L) {
    cover(a, L, 0);
    cover(b, L, La_ + 1);
    tiles_->push_back({static_cast<std::int64_t>(a), static_cast<std::int64_t>(b - La_ - 1),
                       static_cast<std::int64_t>(L)});
  }

  // Covers s..s+L-1 on the side starting at side_start, invalidates the
  // positions before it whose window it cuts below L, and makes s the
  // blocker that brings them back.
  void cover(Index s, Index L, Index side_start) {
    for (Index p = s; p < s + L; ++p) {
      set_bit(covered_, p);
      clear_bit(valid_, rank_[p]);
    }
    const Index lo = s - side_start >= L - 1 ? s - (L - 1) : side_start;
    Index st = s;
    while (st > lo && !is_obstacle(st - 1)) {
      --st;
      clear_bit(valid_, rank_[st]);
    }
    if (L - 1 > M_ && st < s) active_.push_back({s, st});
  }

  // The pair being tiled.
  Index La_ = 0;
  Index Lb_ = 0;
  Index n_ = 0;          // length of T
  Index M_ = 0;          // MinMatchLen
  Index S_ = 0;          // the longest run: the first level
  Index cap_ = 0;        // min(La, Lb): no run is longer
  Index top_count_ = 0;  // the highest level counted
  bool compact_ = false;
  std::size_t compact_above_ = kCompactAbove;
  Index symbols_ = 0;
  std::vector<OriginalTile>* tiles_ = nullptr;

  // Memory kept from pair to pair; only the first n_ entries count.
  SuffixSorter<Index> sorter_;
  std::vector<std::uint8_t> text_;
  std::vector<Index> sa_;
  std::vector<Index> rank_;
  std::vector<Index> lcp_;        // by rank: LCP with the rank before, at most min(La, Lb)
  Index* parent_ = nullptr;       // the classes' forest, in lcp_'s memory
  MonotoneBits lcp_bits_;         // compact: h(p) + p by position p, h its LCP
  BitTree classes_;               // compact: by rank, a class starts here
  std::vector<Index> events_;     // ranks k whose LCP with k - 1 is the level, by level
  std::vector<Index> level_end_;  // events of level L end at level_end_[L]

  std::vector<std::uint64_t> valid_;    // by rank
  std::vector<std::uint64_t> is_a_;     // by rank: the suffix starts in A
  std::vector<std::uint64_t> covered_;  // by position
  BitTree queue_;                       // by A position
  BlockMinTree<Index> tree_a_;
  BlockMinTree<Index> tree_b_;

  std::vector<Blocker> waiting_;  // separators and ends not yet walking
  std::size_t next_waiting_ = 0;
  std::vector<Blocker> active_;

  // The strings' indexes, by a hash of their bytes.
  std::unordered_multimap<std::uint64_t, std::unique_ptr<StringIndex<Index>>> indexes_;
  std::size_t indexed_chars_ = 0;
};

// A pair of strings with more cells (common 8-grams, then the free runs'
// common 4-grams) than this many per character is merged instead. Measured
// on whole class runs when every cell was a common 4-gram: at 8 cells a
// character (3 kB programs) the run method took 0.93 of the merge's time,
// at 23 (10 kB programs) 1.9 times it, so they broke even near 12. A cell
// costs about the same now, and the cells grow with the square of the
// length, so long or repetitive strings still pass the bound.
constexpr std::size_t kRunCellsPerChar = 12;

// The strings' run indexes, by a hash of their bytes and their gram width,
// and the tiler that uses them. Indexes are kept until they would hold more
// than the budget's characters; then they are all dropped before the next
// pair.
struct RunCache {
  RunTiler tiler;
  std::unordered_multimap<std::uint64_t, std::unique_ptr<RunIndex>> indexes;
  std::size_t chars = 0;

  const RunIndex& index(std::string_view s, std::uint32_t width) {
    const std::uint64_t key = hash_of(s) + width;
    const auto [first, last] = indexes.equal_range(key);
    for (auto it = first; it != last; ++it) {
      if (it->second->width == width && it->second->holds(s)) return *it->second;
    }
    auto index = std::make_unique<RunIndex>();
    build_run_index(s, *index, width);
    chars += s.size();
    return *indexes.emplace(key, std::move(index))->second;
  }

  void make_room_for(std::size_t more, std::size_t budget) {
    if (chars + more <= budget) return;
    indexes.clear();
    chars = 0;
  }
};

template <typename Index>
TilingEngine<Index>::TilingEngine(Strings strings, std::size_t index_budget,
                                  std::size_t compact_above)
    : strings_(strings), index_budget_(index_budget), compact_above_(compact_above) {}
template <typename Index>
TilingEngine<Index>::~TilingEngine() = default;

template <typename Index>
const std::vector<OriginalTile>& TilingEngine<Index>::tiles(std::string_view A, std::string_view B,
                                                            int MinMatchLen,
                                                            const RunIndex* a_index,
                                                            const RunIndex* b_index) {
  if (A.size() <= kShortLimit && B.size() <= kShortLimit) return short_tiles(A, B, MinMatchLen);
  if (strings_ == Strings::kKeep && A.size() <= kIndexedLimit && B.size() <= kIndexedLimit) {
    return run_tiles(A, B, MinMatchLen, a_index, b_index);
  }
  return suffix_tiles(A, B, MinMatchLen);
}

template <typename Index>
const std::vector<OriginalTile>& TilingEngine<Index>::run_tiles(std::string_view A,
                                                                std::string_view B, int MinMatchLen,
                                                                const RunIndex* a_index,
                                                                const RunIndex* b_index) {
  const auto fall_back = [&]() -> const std::vector<OriginalTile>& {
    if (strings_ == Strings::kKeep && A.size() <= kIndexedLimit && B.size() <= kIndexedLimit) {
      return merged_tiles(A, B, MinMatchLen);
    }
    return suffix_tiles(A, B, MinMatchLen);
  };
  if (MinMatchLen < kRunMinMatchLen || A.size() > kRunLimit || B.size() > kRunLimit) {
    return fall_back();
  }
  tiles_.clear();
  if (std::min(A.size(), B.size()) <= static_cast<std::size_t>(MinMatchLen)) return tiles_;
  if (!runs_) runs_ = std::make_unique<RunCache>();
  assert(!a_index || (a_index->width == kWideGram && a_index->holds(A)));
  assert(!b_index || (b_index->width == kWideGram && b_index->holds(B)));
  runs_->make_room_for((a_index ? 0 : A.size()) + (b_index ? 0 : B.size()), index_budget_);
  const RunIndex& a = a_index ? *a_index : runs_->index(A, kWideGram);
  const RunIndex& b = b_index ? *b_index : runs_->index(B, kWideGram);
  const std::size_t max_cells = kRunCellsPerChar * (A.size() + B.size());
  const bool done = runs_->tiler.run(a, b, MinMatchLen, max_cells, tiles_);
  if (strings_ == Strings::kForget) runs_->make_room_for(0, 0);
  return done ? tiles_ : fall_back();
}

template <typename Index>
const std::vector<OriginalTile>& TilingEngine<Index>::suffix_tiles(std::string_view A,
                                                                   std::string_view B,
                                                                   int MinMatchLen) {
  tiles_.clear();
  if (!suffix_) {
    suffix_ = std::make_unique<SuffixTiler<Index>>();
    suffix_->set_compact_above(compact_above_);
  }
  suffix_->run(A, B, static_cast<Index>(std::max(MinMatchLen, 0)), tiles_);
  return tiles_;
}

template <typename Index>
const std::vector<OriginalTile>& TilingEngine<Index>::merged_tiles(std::string_view A,
                                                                   std::string_view B,
                                                                   int MinMatchLen) {
  tiles_.clear();
  const auto min_match_len = static_cast<Index>(std::max(MinMatchLen, 0));
  // Strings too short to hold a tile need no index.
  if (std::min(A.size(), B.size()) <= min_match_len) return tiles_;
  if (!suffix_) {
    suffix_ = std::make_unique<SuffixTiler<Index>>();
    suffix_->set_compact_above(compact_above_);
  }
  suffix_->make_room_for(A.size() + B.size(), index_budget_);
  const StringIndex<Index>& a = suffix_->string_index(A);
  const StringIndex<Index>& b = suffix_->string_index(B);
  suffix_->run(a, b, min_match_len, tiles_);
  return tiles_;
}

template <typename Index>
void TilingEngine<Index>::release() {
  suffix_.reset();
  short_.reset();
  runs_.reset();
}

template <typename Index>
const std::vector<OriginalTile>& TilingEngine<Index>::short_tiles(std::string_view A,
                                                                  std::string_view B,
                                                                  int MinMatchLen) {
  tiles_.clear();
  if (!short_) short_ = std::make_unique<ShortTiler>();
  short_->run(A, B, std::max(MinMatchLen, 0), tiles_);
  return tiles_;
}

namespace {

// Sums over a prefix of slots, with point additions.
class Fenwick {
 public:
  explicit Fenwick(std::size_t size) : sums_(size + 1, 0) {}
  void add(std::size_t slot, std::int64_t value) {
    for (std::size_t i = slot + 1; i < sums_.size(); i += i & (~i + 1)) sums_[i] += value;
  }
  /// Sum of slots 0..slot-1.
  std::int64_t before(std::size_t slot) const {
    std::int64_t sum = 0;
    for (std::size_t i = slot; i > 0; i -= i & (~i + 1)) sum += sums_[i];
    return sum;
  }

 private:
  std::vector<std::int64_t> sums_;
};

// A tile shortens its string by length - 1 for every later position, so a
// tile's pass position is its original one less that of the earlier tiles
// lying before it.
class PassCoordinates {
 public:
  explicit PassCoordinates(std::vector<std::int64_t> starts)
      : starts_(std::move(starts)), shifts_(starts_.size()) {
    std::sort(starts_.begin(), starts_.end());
  }
  /// The pass position (from 1) of a tile at original position `start`
  /// (from 0), which then shortens the string by `length` - 1.
  std::int64_t place(std::int64_t start, std::int64_t length) {
    const auto slot = static_cast<std::size_t>(
        std::lower_bound(starts_.begin(), starts_.end(), start) - starts_.begin());
    const std::int64_t position = start + 1 - shifts_.before(slot);
    shifts_.add(slot, length - 1);
    return position;
  }

 private:
  std::vector<std::int64_t> starts_;
  Fenwick shifts_;
};

}  // namespace

std::vector<Tile> to_pass_coordinates(const std::vector<OriginalTile>& tiles) {
  std::vector<std::int64_t> starts_a;
  std::vector<std::int64_t> starts_b;
  starts_a.reserve(tiles.size());
  starts_b.reserve(tiles.size());
  for (const OriginalTile& t : tiles) {
    starts_a.push_back(t.a);
    starts_b.push_back(t.b);
  }
  PassCoordinates in_a(std::move(starts_a));
  PassCoordinates in_b(std::move(starts_b));
  std::vector<Tile> pass_tiles;
  pass_tiles.reserve(tiles.size());
  for (const OriginalTile& t : tiles) {
    pass_tiles.push_back({in_a.place(t.a, t.length), in_b.place(t.b, t.length), t.length});
  }
  return pass_tiles;
}

template <typename Index>
std::vector<Tile> tile_with_index(std::string_view A, std::string_view B, int MinMatchLen) {
  TilingEngine<Index> engine;
  const std::vector<OriginalTile>& tiles = engine.tiles(A, B, MinMatchLen);
  engine.release();  // before the conversion takes its own memory
  return to_pass_coordinates(tiles);
}

template class TilingEngine<std::uint32_t>;
template class TilingEngine<std::uint64_t>;
template std::vector<Tile> tile_with_index<std::uint32_t>(std::string_view, std::string_view, int);
template std::vector<Tile> tile_with_index<std::uint64_t>(std::string_view, std::string_view, int);

}  // namespace codetwin::similarity
