// remove_template(): the template's tiles become separators.
#include "classrun/template_code.h"

#include <algorithm>

#include "similarity/similarity.h"

namespace codetwin::classrun {

void remove_template(std::string_view template_tokens, Submission& submission) {
  std::string& tokens = submission.tokens;
  std::int64_t removed = 0;
  // Each character of a tile becomes a space rather than the whole tile one
  // space: the same stops for later runs, and positions stay those of the
  // token string, which the evidence report maps back to the source.
  for (const similarity::OriginalTile& tile :
       similarity::original_tiles(tokens, template_tokens, kMinMatchLen)) {
    const auto begin = tokens.begin() + tile.a;
    std::fill(begin, begin + tile.length, ' ');
    removed += tile.length;
  }
  submission.length = static_cast<std::int64_t>(tokens.size()) - removed;
}

}  // namespace codetwin::classrun
