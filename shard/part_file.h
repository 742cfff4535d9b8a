// A class run split into shards, and the part file each shard writes.
//
// A run on a cluster is N shards and one merge. Shard K of N scores the
// K-th slice of the run's pairs (classrun::pair_slice(): slices of about
// equal cost) and writes a *part*: what the merge needs to finish the run
// exactly as one machine would. That is
//   - the run it belongs to: the shard's command line, and each
//     submission's name, cohort and a digest of the strings it is scored
//     on (so the merge, which reads the sources again for the outputs,
//     knows whether they are still the same);
//   - which slice it is (K, N, and the pair numbers it covers);
//   - its partial scores (classrun::PartialScores): counts, each
//     submission's best partners and largest shares over the slice, and
//     the pairs the outputs may show. These merge exactly.
//
// A part is bytes: a magic line, a version, the fields in little-endian
// order, and a checksum of everything before it, so that a truncated or
// edited part is refused rather than merged.
#ifndef CODETWIN_SHARD_PART_FILE_H_
#define CODETWIN_SHARD_PART_FILE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "classrun/classrun.h"
#include "classrun/scoring.h"

namespace codetwin::shard {

/// The version of the part format this program reads and writes.
inline constexpr std::uint32_t kPartVersion = 1;

/// One submission of the run, as a part identifies it.
struct InputId {
  std::string name;
  classrun::Cohort cohort = classrun::Cohort::kNew;
  std::uint64_t digest = 0;  // of its token string and its code
  friend bool operator==(const InputId&, const InputId&) = default;
};

/// What a shard hands to the merge.
struct Part {
  std::uint32_t k = 0;  // which slice, from 0
  std::uint32_t n = 1;  // of how many
  classrun::PairRange range;
  /// The shard's arguments as given, but for those that name its slice
  /// and part (so that every shard of a run gives the same).
  std::vector<std::string> arguments;
  std::vector<InputId> inputs;   // in name order, as scored
  std::uint64_t template_digest = 0;  // 0: no template code
  classrun::PartialScores scores;
};

/// The identity of each submission, as the run scores them.
std::vector<InputId> identify(const std::vector<classrun::Submission>& submissions);
/// The digest of a template's token string, never 0.
std::uint64_t template_digest(const classrun::Submission& base);

/// The bytes of a part file.
std::string encode_part(const Part& part);

/// A part read back, or why it cannot be (UTF-8, for people).
struct DecodedPart {
  std::optional<Part> part;
  std::string error;
};
DecodedPart decode_part(std::string_view bytes);

/// Why `other` is not a part of `first`'s run (another N, other arguments,
/// inputs or template), or empty. The message names them by the names given.
std::string same_run(const Part& first, const std::string& first_name, const Part& other,
                     const std::string& other_name);

/// Why parts of one run do not hold each slice 0..N-1 exactly once, or
/// empty. Only their K and N are read.
std::string every_slice_once(const std::vector<Part>& parts, const std::vector<std::string>& names);

/// Why `parts` cannot be merged into one run, or empty when they can: both
/// checks above, for every part against the first.
std::string check_parts(const std::vector<Part>& parts, const std::vector<std::string>& names);

}  // namespace codetwin::shard

#endif  // CODETWIN_SHARD_PART_FILE_H_
