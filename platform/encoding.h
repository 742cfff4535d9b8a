// Console text in another character set than GBK.
//
// The program's texts are GBK. A POSIX terminal whose locale uses UTF-8 gets
// them converted; these two functions are that decision and that conversion,
// kept apart from the console so they can be checked on their own.
#ifndef CODETWIN_PLATFORM_ENCODING_H_
#define CODETWIN_PLATFORM_ENCODING_H_

#include <string>
#include <string_view>

namespace codetwin::platform {

/// Whether `name`, a character set ("UTF-8") or a locale name ("C.utf8",
/// "en_US.UTF-8@euro"), stands for UTF-8. Case does not matter.
bool is_utf8_codeset(std::string_view name);

/// `gbk` in UTF-8. Bytes that are not GBK never stop the conversion: each
/// invalid sequence becomes one U+FFFD and the text goes on after it (see the
/// definition for what one invalid sequence is).
std::string gbk_to_utf8(std::string_view gbk);

}  // namespace codetwin::platform

#endif  // CODETWIN_PLATFORM_ENCODING_H_
