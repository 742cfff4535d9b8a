// Lexical analysis: a C source becomes a word list, a token string and a list file.
//
// A *word* is what the scanner cuts from the source: a run of letters and
// digits (at most MAXSTRLEN bytes), one of the operators ++ -- && || == >= <=
// !=, or any other single byte; a NUL byte gives the empty word. The scanner
// is a splitter, not a C lexer: comments and strings are split like any text.
//
// Each word has a *class letter* (type): K int/short/long, E float/double,
// Y other keywords, A operators, R punctuation, N numbers, C identifiers, and
// H for everything else (Chinese text, quotes, %, _ ...).
//
// The *token string* normalises the source: identifiers become "id", integer
// types "zh", floating types "fu", H words vanish, everything else stays as
// written. Two sources that differ only in variable names give the same token
// string. The *list file* shows every word with its class and index.
//
// For showing where a tile came from, token_origins() tells which word gives
// each token-string character, and a word's bytes are where its view points
// into the scanned text. strip_comments() is an optional step before
// scanning (the class run's --ignore-comments), with the map back to the
// text it was given.
//
// Everything here is pure except token(), the shell that reads the source and
// writes the two files.
#ifndef CODETWIN_LEXER_LEXER_H_
#define CODETWIN_LEXER_LEXER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/sstring.h"

namespace codetwin::lexer {

/// The word list: every word in source order, as views into the scanned text
/// (which must outlive it). A word's index is its position here.
using WordList = std::vector<std::string_view>;

/// The class letter of one word (K, E, Y, A, R, N, H or C).
char type(std::string_view str);

/// Splits `text` (a source as text mode reads it) into words.
WordList scan(std::string_view text);

/// The token string of a word list, as stored in the token file.
std::string token_string(const WordList& link);

/// What one word adds to the token string: "zh", "fu" or "id" for its
/// class, nothing for an H word, the word itself otherwise.
std::string_view contribution(std::string_view word);

/// Whether contribution(word) is the word itself, one character per byte
/// (keywords other than the type names, operators, punctuation, numbers).
bool written_as_is(std::string_view word);

/// token_string(scan(text)) without holding the word list: for long texts.
std::string text_token_string(std::string_view text);

/// For each character of token_string(link), the index of the word it comes
/// from (an identifier gives two characters "id", an H word none).
std::vector<std::uint32_t> token_origins(const WordList& link);

/// A text with its C comments taken out, and where each one was.
struct StrippedText {
  /// One comment, replaced by one space at `at` in the stripped text; it
  /// spanned [begin, end) of the text given.
  struct Cut {
    std::size_t at;
    std::size_t begin;
    std::size_t end;
  };
  std::string text;
  std::vector<Cut> cuts;  // in order
};

/// Replaces every C comment of `text` by one space: a /* */ comment (one
/// left open runs to the end), and a // comment up to its line end, which
/// stays, running on over backslash-newlines. Quotes in string and
/// character literals are respected, so comment marks inside them are text.
StrippedText strip_comments(std::string_view text);

/// The offset in the original text of offset `p` of the stripped text: the
/// comment's first byte for the space that stands for it; `p` may be the
/// stripped text's size (the end).
std::size_t original_offset(const StrippedText& stripped, std::size_t p);

/// The list file's text with LF line ends: the ten-line legend, then one
/// record "(class,word,index)" per word. Line ends are stored as CR LF.
std::string list_text(const WordList& link);
/// The legend alone, and the records of words [begin, end): list_text in
/// parts, so that a long list can be written piece by piece.
std::string list_legend();
std::string list_records(const WordList& link, std::size_t begin, std::size_t end);

/// How token() ended.
enum class TokenStatus {
  kOk,
  kSourceUnopenable,  // the source is missing, unreadable or not a file
  kWriteFailed,       // a list or token file could not be created or written
};

/// Tokenizes the source at `name`: writes the list file `list` and the token
/// file `token`. Prints nothing; the caller reports a failure.
TokenStatus token(const char* name, const char* list, const char* token);

}  // namespace codetwin::lexer

#endif  // CODETWIN_LEXER_LEXER_H_
