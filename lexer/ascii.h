// The character sets of the scanner and of type(), ASCII only.
//
// They test the byte value, never the locale: a byte of 0x80 and above (the
// bytes of GBK text) is neither a letter, a digit nor whitespace.
#ifndef CODETWIN_LEXER_ASCII_H_
#define CODETWIN_LEXER_ASCII_H_

namespace codetwin::lexer {

inline bool is_digit(char ch) { return ch >= '0' && ch <= '9'; }
/// "A".."Z" and "a".."z"; the underscore is not a letter.
inline bool is_letter(char ch) { return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'); }
inline bool is_alnum(char ch) { return is_letter(ch) || is_digit(ch); }
/// TAB, space and LF only: CR, form feed and vertical tab are words.
inline bool is_space(char ch) { return ch == '\t' || ch == ' ' || ch == '\n'; }

}  // namespace codetwin::lexer

#endif  // CODETWIN_LEXER_ASCII_H_
