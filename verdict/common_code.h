// Common code: what many submissions of a run share is schooling, not
// evidence of copying between two of them.
//
// A submission's *code* is its token string with comments left out and
// template code blanked (spaces). A *stretch* is kStretch characters of code
// with no blank in it. A stretch is *common* when at least `common_at`
// submissions of the run hold it, each counted once however often it holds
// it. A character of code is common when a common stretch covers it; the
// other characters of code are the submission's *distinctive* code.
//
// Counting is exact (a stretch is its bytes, not a hash of them) and does
// not depend on the order of the submissions.
//
// A profile also cuts the code into *blocks*, each ending with a brace that
// closes to the outermost level (a function, or a struct with what comes
// before it), and counts the distinctive code in each: where a copy of part
// of a program shows, the part is whole functions.
#ifndef CODETWIN_VERDICT_COMMON_CODE_H_
#define CODETWIN_VERDICT_COMMON_CODE_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace codetwin::verdict {

/// Characters in a stretch: about two short statements ("for(id=0;id<id;"
/// is 15), long enough that a stretch says what the code does, short enough
/// that a small edit leaves the stretches around it whole.
inline constexpr std::size_t kStretch = 16;

/// Where a submission's distinctive code lies.
class CodeProfile {
 public:
  CodeProfile() = default;
  /// `common[p]` tells whether character p of `code` is common; blanks are
  /// neither common nor distinctive.
  CodeProfile(std::string_view code, const std::vector<bool>& common);

  /// Distinctive characters in all.
  std::int64_t distinctive() const { return rank(size_); }
  /// Distinctive characters among code positions [begin, begin + length).
  std::int64_t distinctive_in(std::int64_t begin, std::int64_t length) const;
  /// Characters of code, blanks aside, that are common.
  std::int64_t common() const { return common_; }
  /// Characters of code, blanks aside.
  std::int64_t length() const { return distinctive() + common_; }
  /// Whether character p is common.
  bool is_common(std::size_t p) const {
    return p < size_ && ((common_bits_[p / 64] >> (p % 64)) & 1) != 0;
  }

  /// The block that holds character p, and the distinctive code in block k.
  std::uint32_t block_of(std::int64_t p) const;
  std::int64_t distinctive_in_block(std::uint32_t k) const;
  /// Where block k begins and ends.
  std::int64_t block_begin(std::uint32_t k) const { return block_starts_[k]; }
  std::int64_t block_end(std::uint32_t k) const;

 private:
  // Distinctive characters before position p.
  std::int64_t rank(std::size_t p) const;

  // A bit per character, 64 to a word: a class's code is millions of
  // characters, and a count for every one of them would be most of a run's
  // memory. Each word's count of distinctive characters before it makes a
  // rank one look-up and one population count.
  std::size_t size_ = 0;
  std::vector<std::uint64_t> distinctive_bits_;
  std::vector<std::uint64_t> common_bits_;
  std::vector<std::uint32_t> before_word_;
  std::vector<std::uint32_t> block_starts_;
  std::int64_t common_ = 0;
};

/// The profiles of every code of a run, stretches common at `common_at`
/// holders or more; none is common when `common_at` is 0.
std::vector<CodeProfile> profile_codes(const std::vector<std::string_view>& codes,
                                       std::size_t common_at);

}  // namespace codetwin::verdict

#endif  // CODETWIN_VERDICT_COMMON_CODE_H_
