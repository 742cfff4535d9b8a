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
// Everything here is pure except token(), the shell that reads the source and
// writes the two files.
#ifndef CODETWIN_LEXER_LEXER_H_
#define CODETWIN_LEXER_LEXER_H_

#include <cstddef>
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
