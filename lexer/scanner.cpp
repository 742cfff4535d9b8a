#include "lexer/lexer.h"

namespace codetwin::lexer {

WordList scan(std::string_view) { return {}; }

}  // namespace codetwin::lexer
