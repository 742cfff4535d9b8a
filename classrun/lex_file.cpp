// file_tokens(): a source file's bytes to its part of the token string.
#include "classrun/submissions.h"
#include "common/text_mode.h"
#include "lexer/lexer.h"

namespace codetwin::classrun {

std::string file_tokens(std::string_view bytes, const LexOptions& options) {
  // The same steps as codetwin's tokenizer: text-mode reading, then the
  // scanner and the token string, which needs the text to outlive the words.
  const std::string text = decode_text_mode(bytes);
  if (!options.ignore_comments) return lexer::token_string(lexer::scan(text));
  const lexer::StrippedText stripped = lexer::strip_comments(text);
  return lexer::token_string(lexer::scan(stripped.text));
}

}  // namespace codetwin::classrun
