// Shared code, coverage and the evidence of a pair.
#include "verdict/verdict.h"

#include <algorithm>

namespace codetwin::verdict {

namespace {

// Adds to `blocks` each block of `side` whose distinctive code the stretch
// [begin, begin + length) reaches.
void add_reached_blocks(const CodeProfile& side, std::int64_t begin, std::int64_t length,
                        std::vector<std::uint32_t>& blocks) {
  const std::int64_t end = begin + length;
  for (std::uint32_t k = side.block_of(begin); begin < end; ++k) {
    const std::int64_t to = std::min(end, side.block_end(k));
    if (side.distinctive_in(begin, to - begin) > 0) blocks.push_back(k);
    begin = to;
  }
}

std::int64_t distinctive_in_blocks(const CodeProfile& side, std::vector<std::uint32_t>& blocks) {
  std::sort(blocks.begin(), blocks.end());
  blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
  std::int64_t total = 0;
  for (std::uint32_t k : blocks) total += side.distinctive_in_block(k);
  return total;
}

}  // namespace

SharedCode shared_code(const std::vector<similarity::OriginalTile>& tiles, const CodeProfile& a,
                       const CodeProfile& b) {
  SharedCodeScratch scratch;
  return shared_code(tiles, a, b, scratch);
}

SharedCode shared_code(const std::vector<similarity::OriginalTile>& tiles, const CodeProfile& a,
                       const CodeProfile& b, SharedCodeScratch& scratch) {
  std::vector<std::uint32_t>& blocks_a = scratch.blocks_a;
  std::vector<std::uint32_t>& blocks_b = scratch.blocks_b;
  blocks_a.clear();
  blocks_b.clear();
  SharedCode shared;
  for (const similarity::OriginalTile& tile : tiles) {
    shared.tiled += tile.length;
    if (tile.length < kRun) continue;
    shared.in_runs += tile.length;
    if (tile.length < static_cast<std::int64_t>(kStretch)) continue;
    const std::int64_t in_a = a.distinctive_in(tile.a, tile.length);
    const std::int64_t in_b = b.distinctive_in(tile.b, tile.length);
    shared.distinctive += std::min(in_a, in_b);
    if (in_a > 0 && in_b > 0) {
      add_reached_blocks(a, tile.a, tile.length, blocks_a);
      add_reached_blocks(b, tile.b, tile.length, blocks_b);
    }
  }
  shared.reached_a = distinctive_in_blocks(a, blocks_a);
  shared.reached_b = distinctive_in_blocks(b, blocks_b);
  return shared;
}

double coverage_of(const SharedCode& shared, const CodeProfile& side) {
  if (side.length() <= 0) return 0;
  return std::min(1.0, static_cast<double>(shared.in_runs) / static_cast<double>(side.length()));
}

namespace {

Side smaller_side(const CodeProfile& a, const CodeProfile& b) {
  return b.length() < a.length() ? Side::kB : Side::kA;
}

}  // namespace

bool may_have_evidence(const SharedCode& shared, const CodeProfile& a, const CodeProfile& b,
                       const Shares& shares_a, const Shares& shares_b) {
  const bool a_smaller = smaller_side(a, b) == Side::kA;
  const double covered = coverage_of(shared, a_smaller ? a : b);
  if (covered > (a_smaller ? shares_a : shares_b).coverage.typical_without(covered)) return true;
  return shared.distinctive > std::max(shares_a.shared.typical_without(shared.distinctive),
                                       shares_b.shared.typical_without(shared.distinctive));
}

PairVerdict judge(const SharedCode& shared, const CodeProfile& a, const CodeProfile& b,
                  const Shares& shares_a, const Shares& shares_b, double flag_at) {
  PairVerdict v;
  v.smaller = smaller_side(a, b);
  const bool a_smaller = v.smaller == Side::kA;
  v.coverage = coverage_of(shared, a_smaller ? a : b);
  v.typical = (a_smaller ? shares_a : shares_b).coverage.typical_without(v.coverage);
  if (v.coverage > v.typical && v.typical < 1) {
    v.whole = (v.coverage - v.typical) / (1 - v.typical);
  }

  v.shared = shared.distinctive;
  v.typical_a = shares_a.shared.typical_without(v.shared);
  v.typical_b = shares_b.shared.typical_without(v.shared);
  v.beyond = std::max<std::int64_t>(0, v.shared - std::max(v.typical_a, v.typical_b));
  const std::int64_t reached = std::min(shared.reached_a, shared.reached_b);
  v.floored = reached < kOwnCodeFloor;
  v.reached = std::max(kOwnCodeFloor, reached);
  v.passages = std::min(1.0, static_cast<double>(v.beyond) / static_cast<double>(v.reached));

  v.evidence = std::max(v.whole / kWholeLine, v.passages / kPassagesLine);
  v.flagged = v.evidence >= flag_at;
  return v;
}

}  // namespace codetwin::verdict
