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
// Each class is a range of ranks; a bit per rank marks where classes start.
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
// Everything is O(N log N) time for N = La + Lb on any input: each event,
// activation and tile costs a constant number of set and tree operations.
// With 32-bit positions the memory is about 13 bytes per character: the
// suffix array and its inverse (8), the events (at most 4), and a few bits
// (the LCPs pass from the counting walk to the placing one in 2 bits).
#include "similarity/tiling_engine.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <string>

#include "similarity/bit_tree.h"
#include "similarity/suffix_array.h"

namespace codetwin::similarity {

namespace {

// Ranks are grouped in blocks of 64: one word of rank bits.
constexpr unsigned kBlockShift = 6;
constexpr std::uint64_t kAllBits = ~std::uint64_t{0};

// A space (how a tile stands) and a NUL stop every run.
bool is_separator(char c) { return c == '\0' || c == ' '; }

bool test_bit(const std::vector<std::uint64_t>& bits, std::size_t i) {
  return (bits[i >> 6] >> (i & 63)) & 1;
}
void set_bit(std::vector<std::uint64_t>& bits, std::size_t i) {
  bits[i >> 6] |= std::uint64_t{1} << (i & 63);
}
void clear_bit(std::vector<std::uint64_t>& bits, std::size_t i) {
  bits[i >> 6] &= ~(std::uint64_t{1} << (i & 63));
}

template <typename Index>
constexpr Index kNone = std::numeric_limits<Index>::max();

// Minimum per block of ranks, and over any range of blocks. A value may be a
// lower bound: the position of a member that has since gone invalid.
template <typename Index>
class BlockMinTree {
 public:
  explicit BlockMinTree(std::size_t blocks) : blocks_(blocks), node_(2 * blocks, kNone<Index>) {}

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
  std::size_t blocks_;
  std::vector<Index> node_;  // node_[blocks_ + b] is block b; node_[i] = min of 2i, 2i + 1
};

// A non-decreasing sequence of numbers, each at most `max_value`, stored as
// unary gaps: count + max_value + 1 bits in all.
class MonotoneBits {
 public:
  MonotoneBits(std::size_t count, std::size_t max_value)
      : words_((count + max_value) / 64 + 2, 0) {}

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

template <typename Index>
struct RawTile {
  Index a;  // original position in A, from 0
  Index b;  // original position in B, from 0
  Index length;
};

template <typename Index>
class Tiler {
 public:
  Tiler(std::string_view A, std::string_view B, Index min_match_len)
      : A_(A),
        B_(B),
        La_(static_cast<Index>(A.size())),
        Lb_(static_cast<Index>(B.size())),
        n_(La_ + 1 + Lb_),
        M_(min_match_len) {}

  /// The tiles in pass order, in original positions.
  std::vector<RawTile<Index>> run() {
    if (std::min(La_, Lb_) <= M_ || !index_text()) return {};
    set_up_sweep();
    open_top_level();
    sweep(S_);
    for (Index L = S_ - 1; L > M_; --L) {
      open_level(L);
      sweep(L);
    }
    return std::move(tiles_);
  }

 private:
  struct Blocker {
    Index s;   // the blocking position
    Index st;  // first position of its stretch: st..s-1 hold no obstacle
  };

  char char_at(Index p) const { return p < La_ ? A_[p] : B_[p - La_ - 1]; }
  bool is_separator_at(Index p) const { return p == La_ || is_separator(char_at(p)); }
  bool is_obstacle(Index p) const { return test_bit(covered_, p) || is_separator_at(p); }

  // Suffix array, its inverse, and the events of every level above
  // MinMatchLen. False when no run is longer than MinMatchLen.
  bool index_text() {
    // h(p) + p for every position p, where h(p) is the LCP of suffix p with
    // the one ranked just before it.
    MonotoneBits lcp_plus_position(n_, n_);
    const Index cap = std::min(La_, Lb_);  // A-A or B-B LCPs may be longer; no run can
    std::vector<Index> count(cap + 1, 0);
    S_ = 0;
    {
      std::string T;
      T.reserve(n_);
      T.append(A_);
      T.push_back('\0');
      T.append(B_);
      sa_ = suffix_array<Index>(T);
      rank_.resize(n_);
      for (Index k = 0; k < n_; ++k) rank_[sa_[k]] = k;
      for_each_lcp(T, [&](Index p, Index k, Index h) {
        lcp_plus_position.push(static_cast<std::size_t>(h) + p);
        if (k == 0) return;
        h = std::min(h, cap);
        if (h > M_) ++count[h];
        if ((sa_[k] < La_) != (sa_[k - 1] < La_)) S_ = std::max(S_, h);
      });
    }
    if (S_ <= M_) return false;

    // Events by level, longest first; everything above S_ joins at S_.
    for (Index L = S_ + 1; L <= cap; ++L) count[S_] += count[L];
    level_end_.assign(S_ + 1, 0);
    Index total = 0;
    for (Index L = S_; L > M_; --L) {
      level_end_[L] = total;  // the level's start until the events are placed
      total += count[L];
    }
    std::vector<Index>().swap(count);
    events_.resize(total);
    MonotoneBits::Reader lcps(lcp_plus_position);
    for (Index p = 0; p < n_; ++p) {
      const auto h = static_cast<Index>(lcps.next() - p);
      const Index k = rank_[p];
      if (k > 0 && h > M_) events_[level_end_[std::min(h, S_)]++] = k;
    }
    return true;
  }

  // Kasai's walk: calls f(p, k, h) for every position p in text order, with
  // k its rank and h the number of leading characters, none a separator,
  // that suffix p shares with suffix sa_[k - 1] (0 when k is 0). h drops by
  // at most one from p to p + 1, separators or not, so the walk is linear.
  template <typename F>
  void for_each_lcp(const std::string& T, F&& f) const {
    Index h = 0;
    for (Index p = 0; p < n_; ++p) {
      const Index k = rank_[p];
      if (k == 0) {
        h = 0;
        f(p, k, h);
        continue;
      }
      const Index q = sa_[k - 1];
      while (p + h < n_ && q + h < n_ && T[p + h] == T[q + h] && !is_separator(T[p + h])) ++h;
      f(p, k, h);
      if (h > 0) --h;
    }
  }

  void set_up_sweep() {
    const std::size_t words = (static_cast<std::size_t>(n_) + 63) / 64;
    valid_.assign(words, 0);
    covered_.assign(words, 0);
    is_a_.assign(words, 0);
    for (Index k = 0; k < n_; ++k) {
      if (sa_[k] < La_) set_bit(is_a_, k);
    }
    classes_ = BitTree(n_, true);
    queue_ = BitTree(La_);
    tree_a_ = BlockMinTree<Index>(words);
    tree_b_ = BlockMinTree<Index>(words);

    // The stretches between separators, longest first; one of MinMatchLen
    // characters or fewer never holds a run worth a tile.
    add_stretches(0, La_);
    add_stretches(La_ + 1, n_);
    std::sort(waiting_.begin(), waiting_.end(),
              [](const Blocker& x, const Blocker& y) { return x.s - x.st > y.s - y.st; });
  }

  void add_stretches(Index begin, Index end) {
    Index st = begin;
    for (Index p = begin; p <= end; ++p) {
      if (p == end || is_separator(char_at(p))) {
        if (p - st > M_) waiting_.push_back({p, st});
        st = p + 1;
      }
    }
  }

  // Level S_: joins every class down to depth S_, makes valid every
  // position whose window is at least S_, and queues every class that has
  // valid positions on both sides.
  void open_top_level() {
    for (Index e : level_events(S_)) classes_.clear(e);
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

    Index first_a = kNone<Index>;
    bool has_b = false;
    for (Index k = 0; k <= n_; ++k) {
      if (k == n_ || classes_.test(k)) {
        if (first_a != kNone<Index> && has_b) queue_.set(first_a);
        if (k == n_) break;
        first_a = kNone<Index>;
        has_b = false;
      }
      if (test_bit(valid_, k)) {
        const Index p = sa_[k];
        if (p < La_) {
          first_a = std::min(first_a, p);
        } else {
          has_b = true;
        }
      }
    }
  }

  // A lower level: joins classes across its events, then lets every
  // blocker's frontier step right.
  void open_level(Index L) {
    const auto events = level_events(L);
    for (Index e : events) classes_.clear(e);
    for (Index e : events) queue_class(e);
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

  struct EventRange {
    const Index* first;
    const Index* last;
    const Index* begin() const { return first; }
    const Index* end() const { return last; }
  };
  EventRange level_events(Index L) const {
    const Index first = L == S_ ? 0 : level_end_[L + 1];
    return {events_.data() + first, events_.data() + level_end_[L]};
  }

  void activate(Index p) {
    const Index k = rank_[p];
    set_bit(valid_, k);
    (p < La_ ? tree_a_ : tree_b_).lower(k >> kBlockShift, p);
    queue_class(k);
  }

  // First and last rank of the class holding rank k.
  std::pair<Index, Index> class_of(Index k) const {
    const auto first = static_cast<Index>(classes_.prev(k));
    const std::size_t next = classes_.next(static_cast<std::size_t>(k) + 1);
    const Index last = next == BitTree::kNone ? n_ - 1 : static_cast<Index>(next - 1);
    return {first, last};
  }

  void queue_class(Index k) {
    const auto [first, last] = class_of(k);
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
    tiles_.push_back({a, b - La_ - 1, L});
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

  std::string_view A_;
  std::string_view B_;
  Index La_;
  Index Lb_;
  Index n_;      // length of T
  Index M_;      // MinMatchLen
  Index S_ = 0;  // the longest run: the first level

  std::vector<Index> sa_;
  std::vector<Index> rank_;
  std::vector<Index> events_;     // ranks k whose LCP with k - 1 is the level, by level
  std::vector<Index> level_end_;  // events of level L end at level_end_[L]

  std::vector<std::uint64_t> valid_;    // by rank
  std::vector<std::uint64_t> is_a_;     // by rank: the suffix starts in A
  std::vector<std::uint64_t> covered_;  // by position
  BitTree classes_{0};                  // by rank: a class starts here
  BitTree queue_{0};                    // by A position
  BlockMinTree<Index> tree_a_{0};
  BlockMinTree<Index> tree_b_{0};

  std::vector<Blocker> waiting_;  // separators and ends not yet walking
  std::size_t next_waiting_ = 0;
  std::vector<Blocker> active_;

  std::vector<RawTile<Index>> tiles_;
};

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

template <typename Index>
std::vector<Tile> to_pass_coordinates(const std::vector<RawTile<Index>>& raw) {
  std::vector<std::int64_t> starts_a;
  std::vector<std::int64_t> starts_b;
  starts_a.reserve(raw.size());
  starts_b.reserve(raw.size());
  for (const RawTile<Index>& t : raw) {
    starts_a.push_back(static_cast<std::int64_t>(t.a));
    starts_b.push_back(static_cast<std::int64_t>(t.b));
  }
  PassCoordinates in_a(std::move(starts_a));
  PassCoordinates in_b(std::move(starts_b));
  std::vector<Tile> tiles;
  tiles.reserve(raw.size());
  for (const RawTile<Index>& t : raw) {
    const auto length = static_cast<std::int64_t>(t.length);
    tiles.push_back({in_a.place(static_cast<std::int64_t>(t.a), length),
                     in_b.place(static_cast<std::int64_t>(t.b), length), length});
  }
  return tiles;
}

}  // namespace

template <typename Index>
std::vector<Tile> tile_with_index(std::string_view A, std::string_view B, int MinMatchLen) {
  const auto min_match_len = static_cast<Index>(std::max(MinMatchLen, 0));
  const std::vector<RawTile<Index>> raw = Tiler<Index>(A, B, min_match_len).run();
  return to_pass_coordinates(raw);
}

template <typename Index>
std::vector<OriginalTile> original_tiles_with_index(std::string_view A, std::string_view B,
                                                    int MinMatchLen) {
  const auto min_match_len = static_cast<Index>(std::max(MinMatchLen, 0));
  const std::vector<RawTile<Index>> raw = Tiler<Index>(A, B, min_match_len).run();
  std::vector<OriginalTile> tiles;
  tiles.reserve(raw.size());
  for (const RawTile<Index>& t : raw) {
    tiles.push_back({static_cast<std::int64_t>(t.a), static_cast<std::int64_t>(t.b),
                     static_cast<std::int64_t>(t.length)});
  }
  return tiles;
}

template std::vector<Tile> tile_with_index<std::uint32_t>(std::string_view, std::string_view, int);
template std::vector<Tile> tile_with_index<std::uint64_t>(std::string_view, std::string_view, int);
template std::vector<OriginalTile> original_tiles_with_index<std::uint32_t>(std::string_view,
                                                                           std::string_view, int);
template std::vector<OriginalTile> original_tiles_with_index<std::uint64_t>(std::string_view,
                                                                           std::string_view, int);

}  // namespace codetwin::similarity
