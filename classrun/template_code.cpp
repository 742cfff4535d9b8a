// remove_template(): the template's tiles become separators.
#include "classrun/template_code.h"

#include <algorithm>

#include "similarity/similarity.h"

namespace codetwin::classrun {

std::int64_t blank_template(std::string_view template_tokens, std::string& tokens) {
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
  return removed;
}

void remove_template(const Submission& template_code, Submission& submission) {
  // The code is blanked against the template's own code: with comments kept
  // in the scores, the two strings and their tilings differ.
  std::string code(submission.code());
  submission.length = static_cast<std::int64_t>(submission.tokens.size()) -
                      blank_template(template_code.tokens, submission.tokens);
  blank_template(template_code.code(), code);
  submission.code_is_tokens = code == submission.tokens;
  submission.code_tokens = submission.code_is_tokens ? std::string() : std::move(code);
}

}  // namespace codetwin::classrun
