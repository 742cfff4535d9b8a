// A class run: every pair of a class's submissions scored exactly as
// codetwin scores it, then ranked, with margins and groups.
//
// A *submission* is one student's work: a source file, or a folder whose
// source files (at any depth, in byte order of their relative paths) are
// read one after the other. Its *token string* is the lexer's token string
// of each file, joined in that order; its *name* is its path relative to
// the class folder, or the path as given on the command line.
//
// A *pair* (X, Y), X's name before Y's in byte order, is scored as codetwin
// scores file1.c = X and file2.c = Y: tiling with MinMatchLen 3, similarity
// 2 x MatchLen / (lena + lenb) rounded to single precision, suspected at 0.8
// or more. Submissions of earlier years (cohort kOld) are paired with every
// new submission and never with each other.
//
// With *template code*, the stretches of each token string that tiling
// against the template covers become separators (spaces) before pairing,
// and leave the counted length: code handed out to everyone is no evidence.
//
// A pair's *margin* is its score minus the higher of its two members' best
// scores with anyone else: how far the two stand out as each other's
// closest match. Beside codetwin's score, each pair gets the class-aware
// verdict (verdict/verdict.h): its *evidence*, from the code the two share
// that the rest of the class does not, and whether that flags it. *Groups*
// are the sets of submissions joined by flagged pairs (or, when asked, by
// pairs at or above a similarity).
//
// Everything here but discovery and reading (submissions.h) works on
// token strings in memory.
#ifndef CODETWIN_CLASSRUN_CLASSRUN_H_
#define CODETWIN_CLASSRUN_CLASSRUN_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "verdict/common_code.h"
#include "verdict/verdict.h"

namespace codetwin::classrun {

/// A common run is tiled only when it is longer than this, as in codetwin.
inline constexpr int kMinMatchLen = 3;
/// A pair at or above this similarity is suspected, as in codetwin.
inline constexpr double kSuspectedAt = 0.8;

enum class Cohort {
  kNew,  // this class: paired with everyone
  kOld,  // an earlier class: paired with the new ones only
};

/// One file of a submission.
struct SourceFile {
  std::filesystem::path path;  // where it is read (for a file in an archive: the archive)
  std::string name;            // as shown: relative to the class folder, '/' between parts
  /// A file in an archive: its bytes, read with the archive.
  std::shared_ptr<const std::string> contents = nullptr;
  /// A file in an archive that could not be read: why (UTF-8).
  std::string unreadable = {};
};

/// One student's work, read and lexed.
struct Submission {
  std::string name;  // bytes of the file system's names (UTF-8 on Windows)
  Cohort cohort = Cohort::kNew;
  std::vector<SourceFile> files;
  /// The joined token string; characters covered by template code are spaces.
  std::string tokens;
  /// The length that scores count: tokens.size() less the template's characters.
  std::int64_t length = 0;
  /// The token string the verdict compares: comments left out, template
  /// code blanked. Held apart only when it differs from `tokens`.
  std::string code_tokens;
  bool code_is_tokens = true;
  /// Where its distinctive code lies, once the class is profiled.
  verdict::CodeProfile profile;

  std::string_view code() const { return code_is_tokens ? std::string_view(tokens) : code_tokens; }
};

/// A submission left out because one of its files could not be read.
struct Skipped {
  std::string name;    // the submission
  std::string file;    // the file that failed, as shown
  std::string reason;  // UTF-8, for people
};

/// One scored pair. Its similarity and verdict follow from match_len and
/// the two lengths (similarity.h), so they are not stored.
struct PairScore {
  PairScore() = default;
  PairScore(std::uint32_t a, std::uint32_t b, std::int64_t match_len,
            verdict::SharedCode shared = {})
      : a(a), b(b), match_len(match_len), shared(shared) {}

  std::uint32_t a = 0;  // index of X, whose name comes first
  std::uint32_t b = 0;  // index of Y
  std::int64_t match_len = 0;
  verdict::SharedCode shared;  // what the verdict counts (verdict.h)
};

/// A submission's best score with anyone, and its second best, each with
/// the partner (ties: the partner with the smaller index). partner is
/// kNoPartner while there is none.
struct Closest {
  static constexpr std::uint32_t kNoPartner = 0xFFFFFFFFu;
  float score = 0;
  std::uint32_t partner = kNoPartner;
};
struct Best {
  Closest first;
  Closest second;
};

/// Submissions joined by flagged pairs, or by pairs at or above a
/// similarity when asked.
struct Group {
  std::vector<std::uint32_t> members;  // in name order
  float highest = 0;                   // similarity of the joining pairs
  float lowest = 0;
  double highest_evidence = 0;         // evidence of the joining pairs
  double lowest_evidence = 0;
};

/// How many pairs fell in each hundredth of the similarity range:
/// bin k holds scores in [k/100, (k+1)/100), the last one 1.0 too.
using Histogram = std::array<std::uint64_t, 100>;

enum class SortKey { kEvidence, kSimilarity, kMargin };

/// What to list and keep, from the command line.
struct ListOptions {
  std::size_t top = 20;           // pairs on the console; 0 for all
  std::optional<double> min;      // list only pairs whose similarity is at or above
  std::optional<double> group_at; // join groups by similarity at or above; unset: by flags
  SortKey sort = SortKey::kEvidence;
  bool keep_all_listed = false;   // CSV or JSON: every pair at or above min is written
  bool evidence = false;          // an evidence report is written (HTML)
  std::size_t evidence_pairs = 50;  // pairs it shows besides every flagged one
};

/// The class-aware verdict's settings, from the command line.
struct VerdictOptions {
  std::optional<std::size_t> common_at;  // holders that make a stretch common; unset: the default
  double flag_at = verdict::kFlagAt;     // evidence that flags a pair
};

/// The similarity of a pair, exactly as codetwin computes it.
float pair_similarity(const PairScore& pair, const std::vector<Submission>& submissions);
/// codetwin's verdict: at or above 0.8, never for a NaN.
bool is_suspected(float similarity);
/// Score minus the higher of the members' best scores with anyone else
/// (0 where a member has nobody else); NaN for a NaN score.
double margin(const PairScore& pair, float similarity, const std::vector<Best>& best);

}  // namespace codetwin::classrun

#endif  // CODETWIN_CLASSRUN_CLASSRUN_H_
