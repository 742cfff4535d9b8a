// Source maps, and the evidence of a run's pairs.
//
// A file's bytes go through the same steps as file_tokens(): text mode
// (which drops the CR of each CR LF and stops at a Ctrl-Z), comment removal
// when asked, the scanner. Each step that moves bytes has its way back: the
// dropped CRs are counted, strip_comments() keeps its cuts, and a word is a
// view into the text it was scanned from.
#include "classrun/evidence.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <unordered_map>

#include "common/text_mode.h"
#include "lexer/lexer.h"

namespace codetwin::classrun {

namespace {

// Where text mode's text came from: offsets of the text (the LF of each
// CR LF whose CR was dropped) from which on every offset moves one further.
struct DroppedCrs {
  std::vector<std::size_t> at;

  std::size_t original(std::size_t text_offset) const {
    const auto after = std::upper_bound(at.begin(), at.end(), text_offset);
    return text_offset + static_cast<std::size_t>(after - at.begin());
  }
};

// The CRs text mode drops from `bytes` before its Ctrl-Z at `end`.
DroppedCrs dropped_crs(std::string_view bytes, std::size_t end) {
  DroppedCrs dropped;
  for (std::size_t i = 0; i + 1 < end; ++i) {
    // The LF lands in the text at its own offset less the CRs dropped up to
    // it, this one included.
    if (bytes[i] == '\r' && bytes[i + 1] == '\n') dropped.at.push_back(i - dropped.at.size());
  }
  return dropped;
}

// Text [begin, end) in the file's bytes; end > begin.
FileMap::Bytes file_bytes(std::size_t begin, std::size_t end, const DroppedCrs& dropped) {
  return {dropped.original(begin), dropped.original(end - 1) + 1};
}

void map_words(const lexer::WordList& link, std::string_view scanned,
               const lexer::StrippedText* stripped, const DroppedCrs& dropped, FileMap& map) {
  map.words.reserve(link.size());
  for (std::string_view word : link) {
    // A NUL byte's empty word stands for its one byte.
    std::size_t begin = static_cast<std::size_t>(word.data() - scanned.data());
    std::size_t last = begin + std::max<std::size_t>(word.size(), 1) - 1;
    if (stripped != nullptr) {
      // A word holds no comment's space, so its first and last bytes map
      // back to the same stretch of the text.
      begin = lexer::original_offset(*stripped, begin);
      last = lexer::original_offset(*stripped, last);
    }
    FileMap::Bytes bytes = file_bytes(begin, last + 1, dropped);
    bytes.spelled = lexer::written_as_is(word);
    map.words.push_back(bytes);
  }
}

}  // namespace

FileMap map_file(std::string_view bytes, const LexOptions& options) {
  FileMap map;
  map.size = bytes.size();
  map.unread_from = std::min(bytes.find(kEndOfText), bytes.size());
  const DroppedCrs dropped = dropped_crs(bytes, map.unread_from);
  const std::string text = decode_text_mode(bytes);

  std::optional<lexer::StrippedText> stripped;
  if (options.ignore_comments) {
    stripped = lexer::strip_comments(text);
    for (const lexer::StrippedText::Cut& cut : stripped->cuts) {
      map.comments.push_back(file_bytes(cut.begin, cut.end, dropped));
    }
  }
  const std::string_view scanned = stripped ? std::string_view(stripped->text) : text;
  const lexer::WordList link = lexer::scan(scanned);
  map_words(link, scanned, stripped ? &*stripped : nullptr, dropped, map);
  map.tokens = lexer::token_string(link);
  map.origins = lexer::token_origins(link);
  return map;
}

SourceMap join_maps(std::vector<FileMap> files) {
  SourceMap map;
  for (const FileMap& file : files) {
    map.starts.push_back(map.tokens.size());
    map.tokens += file.tokens;
  }
  map.files = std::move(files);
  return map;
}

namespace {

// How far token character `p` of `file` lies into its word's characters.
std::size_t offset_in_word(const FileMap& file, std::size_t p) {
  // Origins never decrease: the word's first character is its first entry.
  const auto first = std::lower_bound(file.origins.begin(), file.origins.end(), file.origins[p]);
  return p - static_cast<std::size_t>(first - file.origins.begin());
}

// The first and the last byte in the file of token character `p`: its own
// byte in a spelled word, else its word's first or last byte.
std::size_t first_byte(const FileMap& file, std::size_t p) {
  const FileMap::Bytes& word = file.words[file.origins[p]];
  return word.spelled ? word.begin + offset_in_word(file, p) : word.begin;
}

std::size_t last_byte(const FileMap& file, std::size_t p) {
  const FileMap::Bytes& word = file.words[file.origins[p]];
  return word.spelled ? word.begin + offset_in_word(file, p) : word.end - 1;
}

}  // namespace

std::vector<SourceSpan> source_spans(const SourceMap& map, std::size_t begin, std::size_t end) {
  std::vector<SourceSpan> spans;
  if (begin >= end || end > map.tokens.size()) return spans;
  // The file holding `begin`: the last one starting at or before it.
  auto first = std::upper_bound(map.starts.begin(), map.starts.end(), begin);
  for (auto at = std::prev(first); at != map.starts.end() && *at < end; ++at) {
    const auto file = static_cast<std::size_t>(at - map.starts.begin());
    const FileMap& part = map.files[file];
    const std::size_t from = std::max(begin, *at) - *at;
    const std::size_t to = std::min(end, *at + part.tokens.size()) - *at;
    if (from >= to) continue;  // a file with no token characters
    spans.push_back(
        {static_cast<std::uint32_t>(file), first_byte(part, from), last_byte(part, to - 1) + 1});
  }
  return spans;
}

bool matches(const SourceMap& map, std::string_view tokens) {
  if (tokens.size() != map.tokens.size()) return false;
  for (std::size_t p = 0; p < tokens.size(); ++p) {
    if (tokens[p] != map.tokens[p] && tokens[p] != ' ') return false;
  }
  return true;
}

namespace {

// Adds, for each run of `tokens` positions where `marked` holds, the source
// stretches of the run, greyed for `why`.
template <typename Marked>
void grey_runs(const SourceMap& map, std::size_t size, Marked marked, Grey why,
               std::vector<GreySpan>& greyed) {
  for (std::size_t p = 0; p < size;) {
    if (!marked(p)) {
      ++p;
      continue;
    }
    const std::size_t begin = p;
    while (p < size && marked(p)) ++p;
    for (const SourceSpan& span : source_spans(map, begin, p)) greyed.push_back({span, why});
  }
}

}  // namespace

std::vector<GreySpan> greyed_spans(const SourceMap& map, std::string_view tokens,
                                   const verdict::CodeProfile* common) {
  std::vector<GreySpan> greyed;
  // Token strings hold no spaces of their own: every space is template code.
  grey_runs(map, tokens.size(), [&](std::size_t p) { return tokens[p] == ' '; }, Grey::kTemplate,
            greyed);
  if (common != nullptr) {
    grey_runs(
        map, tokens.size(), [&](std::size_t p) { return tokens[p] != ' ' && common->is_common(p); },
        Grey::kCommon, greyed);
  }
  for (std::size_t file = 0; file < map.files.size(); ++file) {
    const FileMap& part = map.files[file];
    const auto index = static_cast<std::uint32_t>(file);
    for (const FileMap::Bytes& comment : part.comments) {
      greyed.push_back({{index, comment.begin, comment.end}, Grey::kComment});
    }
    if (part.unread_from < part.size) {
      greyed.push_back({{index, part.unread_from, part.size}, Grey::kUnread});
    }
  }
  std::stable_sort(greyed.begin(), greyed.end(), [](const GreySpan& x, const GreySpan& y) {
    return x.span.file != y.span.file ? x.span.file < y.span.file : x.span.begin < y.span.begin;
  });
  return greyed;
}

std::vector<SourceSpan> without_comments(const SourceMap& map, std::vector<SourceSpan> spans) {
  std::vector<SourceSpan> kept;
  for (const SourceSpan& span : spans) {
    const FileMap& file = map.files[span.file];
    std::size_t from = span.begin;
    // Keeps [from, to) trimmed to the words in it: what is left between two
    // comments, or beside one, may be only blanks and line ends.
    auto keep_to = [&](std::size_t to) {
      const auto first = std::lower_bound(
          file.words.begin(), file.words.end(), from,
          [](const FileMap::Bytes& w, std::size_t at) { return w.end <= at; });
      if (first == file.words.end() || first->begin >= to) return;
      const auto past = std::lower_bound(
          first, file.words.end(), to,
          [](const FileMap::Bytes& w, std::size_t at) { return w.begin < at; });
      const FileMap::Bytes& last = *std::prev(past);
      kept.push_back({span.file, std::max(from, first->begin), std::min(to, last.end)});
    };
    bool cut = false;
    for (const FileMap::Bytes& comment : file.comments) {
      if (comment.end <= from || comment.begin >= span.end) continue;
      keep_to(std::min(comment.begin, span.end));
      from = std::max(from, comment.end);
      cut = true;
    }
    if (cut) {
      keep_to(span.end);
    } else {
      kept.push_back(span);  // as mapped, to the byte
    }
  }
  return kept;
}

std::vector<TileEvidence> tile_evidence(std::string_view tokens_a, std::string_view tokens_b,
                                        const SourceMap* map_a, const SourceMap* map_b,
                                        similarity::TilingWorkspace& workspace) {
  std::vector<TileEvidence> tiles;
  for (const similarity::OriginalTile& tile : workspace.tiles(tokens_a, tokens_b, kMinMatchLen)) {
    TileEvidence evidence{tile.a, tile.b, tile.length, {}, {}};
    const auto a = static_cast<std::size_t>(tile.a);
    const auto b = static_cast<std::size_t>(tile.b);
    const auto length = static_cast<std::size_t>(tile.length);
    if (map_a != nullptr) evidence.in_a = without_comments(*map_a, source_spans(*map_a, a, a + length));
    if (map_b != nullptr) evidence.in_b = without_comments(*map_b, source_spans(*map_b, b, b + length));
    tiles.push_back(std::move(evidence));
  }
  std::stable_sort(tiles.begin(), tiles.end(), [](const TileEvidence& x, const TileEvidence& y) {
    return x.length > y.length;
  });
  return tiles;
}

namespace {

// One submission's view and, when its sources are shown, its map.
struct Shown {
  SourceView view;
  std::optional<SourceMap> map;
};

Shown show(std::uint32_t index, const Submission& submission, const FileReader& read) {
  // The verdict's code: comments out, whatever the scores did with them.
  const LexOptions options{.ignore_comments = true};
  Shown shown;
  shown.view.submission = index;
  std::vector<ShownFile> files;
  std::size_t total = 0;
  for (const SourceFile& file : submission.files) {
    std::string why;
    std::optional<std::string> bytes = read(file, why);
    if (!bytes) {
      shown.view.problem = file.name + "：" + why;
      return shown;
    }
    total += bytes->size();
    if (total > kMaxShownBytes) {
      shown.view.problem = "源代码超过 " + std::to_string(kMaxShownBytes >> 20) + " MiB，不显示";
      return shown;
    }
    files.push_back({file.name, std::move(*bytes)});
  }
  std::vector<FileMap> maps;
  for (const ShownFile& file : files) maps.push_back(map_file(file.bytes, options));
  SourceMap map = join_maps(std::move(maps));
  if (!matches(map, submission.code())) {
    shown.view.problem = "源文件在比较之后有改动，片段无法对应";
    return shown;
  }
  shown.view.files = std::move(files);
  shown.view.greyed = greyed_spans(map, submission.code(), &submission.profile);
  shown.map = std::move(map);
  return shown;
}

}  // namespace

Evidence evidence_of(const ClassResult& result, const FileReader& read) {
  std::vector<Shown> shown;
  std::unordered_map<std::uint32_t, std::size_t> view_of;
  auto view_for = [&](std::uint32_t index) {
    const auto [at, added] = view_of.try_emplace(index, shown.size());
    if (added) shown.push_back(show(index, result.submissions[index], read));
    return at->second;
  };

  Evidence evidence;
  similarity::TilingWorkspace workspace;
  const std::size_t shown_pairs = std::min(result.evidence.size(), kMaxPairViews);
  evidence.omitted = result.evidence.size() - shown_pairs;
  for (std::size_t k = 0; k < shown_pairs; ++k) {
    const PairScore& pair = result.evidence[k];
    PairEvidence item{pair, view_for(pair.a), view_for(pair.b), {}};
    const Shown& a = shown[item.view_a];
    const Shown& b = shown[item.view_b];
    item.tiles = tile_evidence(result.submissions[pair.a].code(), result.submissions[pair.b].code(),
                               a.map ? &*a.map : nullptr, b.map ? &*b.map : nullptr, workspace);
    evidence.pairs.push_back(std::move(item));
  }
  for (Shown& item : shown) evidence.views.push_back(std::move(item.view));
  return evidence;
}

}  // namespace codetwin::classrun
