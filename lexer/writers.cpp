#include "lexer/lexer.h"

namespace codetwin::lexer {

std::string token_string(const WordList&) { return {}; }
std::string list_text(const WordList& link) { return list_legend() + list_records(link, 0, link.size()); }
std::string list_legend() { return {}; }
std::string list_records(const WordList&, std::size_t, std::size_t) { return {}; }

}  // namespace codetwin::lexer
