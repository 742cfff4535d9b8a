// Names of entries: the charset, the separators, the parts.
#include "archive/entry_names.h"

#include <algorithm>

#include "common/utf8.h"
#include "platform/encoding.h"

namespace codetwin::archive {

std::string name_in_utf8(std::string_view bytes, bool decoded) {
  if (decoded || is_valid_utf8(bytes)) return replace_invalid_utf8(bytes);
  return platform::gbk_to_utf8(bytes);
}

CleanName clean_name(std::string_view utf8, bool backslashes) {
  std::string name(utf8);
  if (backslashes && name.find('/') == std::string::npos) std::replace(name.begin(), name.end(), '\\', '/');
  // "/x", and "C:" or "C:/x" on Windows, name places outside the archive.
  const bool drive = name.size() >= 2 && name[1] == ':' &&
                     ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
  if (name.starts_with('/') || drive) return {"", "绝对路径"};
  std::string clean;
  std::size_t begin = 0;
  while (begin <= name.size()) {
    std::size_t end = name.find('/', begin);
    if (end == std::string::npos) end = name.size();
    const std::string_view part = std::string_view(name).substr(begin, end - begin);
    begin = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") return {"", "名字中有“..”"};
    if (!clean.empty()) clean += '/';
    clean += part;
  }
  return {clean, ""};
}

}  // namespace codetwin::archive
