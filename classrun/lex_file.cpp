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

}  // namespace codetwin::classrun
