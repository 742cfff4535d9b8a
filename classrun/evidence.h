// The evidence of a pair: its tiles as stretches of the two submissions'
// source files, so that a person can read what matches what.
//
// A token-string character comes from one word of one file, and a word from
// a stretch of that file's bytes. A *source map* holds, for one submission,
// where every character of its token string comes from: the file, and the
// word's bytes in the file as it is on disk (text mode's dropped CRs and,
// with --ignore-comments, the cut comments put back). A run of token
// characters [p, p + L) maps to the bytes from the first byte of the word
// behind p to the last byte of the word behind p + L - 1, so words that give
// no token character (quotes, Chinese text, %) may sit inside; a run that
// crosses from one file into the next maps to a stretch in each. A word
// that stands in the token string as it is written (a number, a keyword
// such as while, an operator) gives one character per byte, so a run that
// starts or ends inside it starts or ends at that byte: two runs inside one
// long number never share a stretch.
//
// A pair's evidence is what the verdict compared: the tiles of the two
// submissions' code (comments left out). Parts of a source show greyed:
// template code (the token characters that --base blanked, mapped as a run
// is), common code (what many submissions of the run hold, which the
// verdict does not count as shared), comments (never compared, cut out of
// any stretch they fall in) and whatever follows a Ctrl-Z (text mode never
// reads it).
//
// Everything here is pure but read_evidence(), which reads the files.
#ifndef CODETWIN_CLASSRUN_EVIDENCE_H_
#define CODETWIN_CLASSRUN_EVIDENCE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "classrun/classrun.h"
#include "classrun/ranking.h"
#include "classrun/submissions.h"
#include "similarity/similarity.h"

namespace codetwin::classrun {

/// Bytes [begin, end) of one file of a submission (`file` indexes its files).
struct SourceSpan {
  std::uint32_t file = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
  friend bool operator==(const SourceSpan&, const SourceSpan&) = default;
};

/// Why a stretch of source shows greyed.
enum class Grey {
  kTemplate,  // code handed out with the exercise (--base)
  kComment,   // a comment, which the verdict does not compare
  kUnread,    // after a Ctrl-Z, where text mode stops reading
  kCommon,    // common code: many submissions of the run hold it
};

struct GreySpan {
  SourceSpan span;
  Grey why;
  friend bool operator==(const GreySpan&, const GreySpan&) = default;
};

/// One file's part of a token string and where each character comes from.
struct FileMap {
  struct Bytes {
    std::size_t begin;
    std::size_t end;
    bool spelled = false;  // its token characters are its bytes, one each
    friend bool operator==(const Bytes&, const Bytes&) = default;
  };
  std::string tokens;                  // exactly file_tokens(bytes, options)
  std::vector<std::uint32_t> origins;  // per token character: the index of its word
  std::vector<Bytes> words;            // per word: its bytes in the file
  std::vector<Bytes> comments;         // the comments cut, in the file's bytes
  std::size_t unread_from = 0;         // a Ctrl-Z's offset, or the file's size
  std::size_t size = 0;                // the file's bytes
};

/// The map of one source file's bytes, lexed under `options`.
FileMap map_file(std::string_view bytes, const LexOptions& options);

/// A submission's token string (template code not blanked) and its files'
/// maps; file i's characters start at starts[i].
struct SourceMap {
  std::string tokens;
  std::vector<FileMap> files;
  std::vector<std::size_t> starts;
};

/// Joins the maps of a submission's files, in order.
SourceMap join_maps(std::vector<FileMap> files);

/// The source stretches of token characters [begin, end) of `map`, one per
/// file the run touches, in order; none for an empty run.
std::vector<SourceSpan> source_spans(const SourceMap& map, std::size_t begin, std::size_t end);

/// Whether `tokens` (a Submission's, template code blanked) is `map`'s token
/// string with some characters blanked: false when a file changed after it
/// was scored.
bool matches(const SourceMap& map, std::string_view tokens);

/// What shows greyed in a submission: the runs of `tokens` that template
/// code blanked, those `common` marks (when given), the comments cut and the
/// unread tails; by file, then offset.
std::vector<GreySpan> greyed_spans(const SourceMap& map, std::string_view tokens,
                                   const verdict::CodeProfile* common = nullptr);

/// `spans` less the comments of `map` (which no run compares): a stretch
/// that a comment splits becomes two.
std::vector<SourceSpan> without_comments(const SourceMap& map, std::vector<SourceSpan> spans);

/// One source file as the report shows it.
struct ShownFile {
  std::string name;   // as shown (SourceFile::name)
  std::string bytes;  // as on disk
};

/// One submission's sources, with what shows greyed.
struct SourceView {
  std::uint32_t submission = 0;  // index into ClassResult::submissions
  std::vector<ShownFile> files;
  std::vector<GreySpan> greyed;
  /// Non-empty when the sources are not shown (files is then empty) and
  /// their stretches not known: why, for people (UTF-8, a file's name in it
  /// as its bytes).
  std::string problem;
};

/// One tile of a pair: where it lies in the two code strings (as
/// similarity::OriginalTile) and in the two submissions' sources.
struct TileEvidence {
  std::int64_t a = 0;
  std::int64_t b = 0;
  std::int64_t length = 0;
  std::vector<SourceSpan> in_a;  // empty when view A has a problem
  std::vector<SourceSpan> in_b;
};

/// The evidence of one pair.
struct PairEvidence {
  PairScore pair;
  std::size_t view_a = 0;  // indices into Evidence::views
  std::size_t view_b = 0;
  std::vector<TileEvidence> tiles;  // largest first; equal lengths in pass order
};

/// The evidence of a run: the sources shown, each once, and the pairs.
struct Evidence {
  std::vector<SourceView> views;
  std::vector<PairEvidence> pairs;  // the first of ClassResult::evidence, in order
  std::size_t omitted = 0;          // pairs of ClassResult::evidence past kMaxPairViews
};

/// Pairs given a view at most. A view of two 3 kB programs is some 60 kB of
/// page: 200 of them open in about a second, more take longer to open than
/// anyone would take to read them; the listing and the CSV hold every pair.
/// (A large class can have thousands of suspected pairs: about one
/// independent pair in a hundred scores 0.8 or more.)
inline constexpr std::size_t kMaxPairViews = 200;

/// A submission whose files hold more bytes than this is not shown: a
/// beginner's program is a few kilobytes, and a page of some fifty pairs
/// must stay small enough to open.
inline constexpr std::size_t kMaxShownBytes = std::size_t{1} << 20;

/// The tiles of a pair's code (A = its X, B = its Y, tiled exactly as the
/// verdict tiled them) with their source stretches, comments cut out.
std::vector<TileEvidence> tile_evidence(std::string_view tokens_a, std::string_view tokens_b,
                                        const SourceMap* map_a, const SourceMap* map_b,
                                        similarity::TilingWorkspace& workspace);

/// How evidence_of() gets a file's bytes: the bytes, or nullopt with `why`
/// (UTF-8) set when the file cannot be read.
using FileReader = std::function<std::optional<std::string>(const SourceFile&, std::string& why)>;

/// The evidence of every pair in result.evidence, the files got by `read`
/// and lexed without comments (as the verdict's code was).
Evidence evidence_of(const ClassResult& result, const FileReader& read);

/// evidence_of() with the files read from disk.
Evidence read_evidence(const ClassResult& result);

}  // namespace codetwin::classrun

#endif  // CODETWIN_CLASSRUN_EVIDENCE_H_
