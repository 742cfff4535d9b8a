#include "platform/win32_text.h"

#include <climits>

namespace codetwin::platform::win32 {

std::wstring to_wide(std::string_view text, UINT code_page) {
  if (text.empty() || text.size() > INT_MAX) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int wide_size = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  if (wide_size <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), size, wide.data(), wide_size);
  return wide;
}

std::string from_wide(std::wstring_view wide, UINT code_page) {
  if (wide.empty() || wide.size() > INT_MAX) return std::string();
  const int size = static_cast<int>(wide.size());
  const int out_size =
      WideCharToMultiByte(code_page, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (out_size <= 0) return std::string();
  std::string out(static_cast<std::size_t>(out_size), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), size, out.data(), out_size, nullptr, nullptr);
  return out;
}

bool is_console(DWORD std_handle) {
  HANDLE handle = GetStdHandle(std_handle);
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode) != 0;
}

}  // namespace codetwin::platform::win32
