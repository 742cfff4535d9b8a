// A C source as the disguiser sees it: tokens, braces and top-level items.
//
// tokenize_c() cuts a source the way a compiler's first phase does, as far
// as a disguise needs: names, numbers, string and character literals (with
// their escapes and L/u/U/u8 prefixes), comments, operators, and each
// preprocessor line as one token that holds its own tokens. Whitespace is
// not kept; each token remembers whether whitespace or line ends came
// before it, which is all the layout needs to know of the original.
//
// split_top_level() groups the tokens into the file's items: preprocessor
// lines, comments between items, declarations (prototypes among them) and
// function definitions. Comments right above an item belong to it, so they
// move with it.
//
// This is not the project's lexer (a splitter that knows no C); it exists
// so that renaming, padding and layout never touch a literal or a comment
// by mistake.
#ifndef CODETWIN_BENCH_C_SOURCE_H_
#define CODETWIN_BENCH_C_SOURCE_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace codetwin::bench {

/// What a `{` opens (and its `}` closes): statements, the members of a
/// struct or union, or an initializer or enum list kept on one line.
enum class BraceKind { kNone, kBlock, kAggregate, kInline };

struct CToken {
  enum class Kind { kName, kNumber, kString, kChar, kPunct, kComment, kDirective, kOther };
  Kind kind = Kind::kOther;
  std::string text;                    // as written (a directive: its whole text)
  std::vector<CToken> parts;           // a directive's own tokens, "#" first
  bool space_before = false;           // whitespace or a line end came before it
  int lines_before = 0;                // line ends between the previous token and it
  BraceKind brace = BraceKind::kNone;  // for { and }, set by classify_braces()

  bool is(std::string_view s) const {
    return text == s && kind != Kind::kString && kind != Kind::kChar && kind != Kind::kComment;
  }
  bool is_code() const { return kind != Kind::kComment && kind != Kind::kDirective; }
  bool is_line_comment() const { return kind == Kind::kComment && text.starts_with("//"); }
};

using CTokens = std::vector<CToken>;

/// The tokens of `source`, comments and preprocessor lines included.
CTokens tokenize_c(std::string_view source);

/// A directive's word: "define", "include", "if", ... (empty if none).
std::string_view directive_word(const CToken& directive);

/// Whether `name` is a C keyword (C99, and the few C11 ones students meet).
bool is_c_keyword(std::string_view name);

/// Sets the brace kind of every { and } of `tokens` (a whole file, or a
/// run of statements), from what comes before each {.
void classify_braces(CTokens& tokens);

/// One item at the file's top level.
struct TopItem {
  enum class Kind { kDirective, kComment, kDeclaration, kFunction };
  Kind kind = Kind::kComment;
  CTokens tokens;    // comments above it first
  std::string name;  // a function's or a prototype's name, else empty
  bool is_prototype() const { return kind == Kind::kDeclaration && !name.empty(); }
};

std::vector<TopItem> split_top_level(const CTokens& tokens);

/// The tokens of the items again, in order.
CTokens join_items(const std::vector<TopItem>& items);

/// The code of `tokens` as text with one space between tokens and each
/// preprocessor line on its own line; comments left out. Its words are the
/// words of the source, so it measures a source's token string.
std::string bare_text(const CTokens& tokens);

/// Index in `tokens` of a function item's opening body brace, or size().
std::size_t body_start(const CTokens& tokens);

/// The number of parameters in a function item's head: `f(void)` and `f()`
/// have none.
std::size_t parameter_count(const CTokens& tokens);

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_C_SOURCE_H_
