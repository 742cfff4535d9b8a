// file_tokens(): a source file's bytes to its part of the token string.
#include "classrun/submissions.h"
#include "common/text_mode.h"
#include "lexer/lexer.h"

namespace codetwin::classrun {

std::string file_tokens(std::string_view bytes, const LexOptions& options) {
  // The same steps as codetwin's tokenizer: text-mode reading, then the
  // scanner and the token string.
  const std::string text = decode_text_mode(bytes);
  if (!options.ignore_comments) return lexer::text_token_string(text);
  return lexer::text_token_string(lexer::strip_comments(text).text);
}

void lex_submission(Submission& submission, const std::vector<std::string>& files,
                    const LexOptions& options) {
  submission.tokens.clear();
  submission.code_tokens.clear();
  // The verdict compares code without comments: when the scores keep them,
  // the same bytes are lexed a second time without.
  const LexOptions code_options{.ignore_comments = true};
  std::string code;
  for (const std::string& bytes : files) {
    submission.tokens += file_tokens(bytes, options);
    if (!options.ignore_comments) code += file_tokens(bytes, code_options);
  }
  submission.length = static_cast<std::int64_t>(submission.tokens.size());
  submission.code_is_tokens = options.ignore_comments || code == submission.tokens;
  if (!submission.code_is_tokens) submission.code_tokens = std::move(code);
}

}  // namespace codetwin::classrun
