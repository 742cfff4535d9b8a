// Text between code pages and UTF-16 on Windows, for the *_win32.cpp files
// of platform/. Not for use outside platform/.
#ifndef CODETWIN_PLATFORM_WIN32_TEXT_H_
#define CODETWIN_PLATFORM_WIN32_TEXT_H_

#include <windows.h>

#include <string>
#include <string_view>

namespace codetwin::platform::win32 {

/// The code page of GBK.
inline constexpr UINT kGbkCodePage = 936;

/// `text`, in `code_page`, as UTF-16; bytes that are not in it become the
/// system's replacement (U+FFFD for UTF-8).
std::wstring to_wide(std::string_view text, UINT code_page);
/// `wide` in `code_page`; for UTF-8, an unpaired surrogate becomes U+FFFD.
std::string from_wide(std::wstring_view wide, UINT code_page);

/// Whether the standard handle `std_handle` is a console, as opposed to a
/// pipe, a file or the NUL device (a character device too, but with no
/// console mode).
bool is_console(DWORD std_handle);

}  // namespace codetwin::platform::win32

#endif  // CODETWIN_PLATFORM_WIN32_TEXT_H_
