// The token string as the comparer holds it.
#ifndef CODETWIN_COMMON_SSTRING_H_
#define CODETWIN_COMMON_SSTRING_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace codetwin {

/// The longest word the scanner builds (a longer run of letters and digits is
/// split). Token strings are not bounded by it: they are loaded whole.
inline constexpr int MAXSTRLEN = 10000;

/// A character string used from position 1: positions 1..length() hold the
/// characters, position 0 holds nothing. The tiling passes count positions
/// this way, and so do the positions they report.
class SString {
 public:
  SString() = default;
  explicit SString(std::string_view text);

  std::size_t length() const { return chars_.size() - 1; }
  /// The character at position `i`, 1 <= i <= length().
  char operator[](std::size_t i) const { return chars_[i]; }
  char& operator[](std::size_t i) { return chars_[i]; }
  /// Positions 1..length() as one view.
  std::string_view view() const { return std::string_view(chars_).substr(1); }

 private:
  std::string chars_ = std::string(1, '\0');  // chars_[0] is the unused slot
};

}  // namespace codetwin

#endif  // CODETWIN_COMMON_SSTRING_H_
