#include "lexer/lexer.h"

namespace codetwin::lexer {

char type(std::string_view) { return 'H'; }

}  // namespace codetwin::lexer
