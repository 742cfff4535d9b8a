// An entry's name made into a tree's name, or the reason it is skipped: the
// charset decided, Windows' '\' read as '/', "." and empty parts dropped,
// and absolute names and ".." parts refused. Pure functions, on bytes.
#ifndef CODETWIN_ARCHIVE_ENTRY_NAMES_H_
#define CODETWIN_ARCHIVE_ENTRY_NAMES_H_

#include <string>
#include <string_view>

namespace codetwin::archive {

/// A name in UTF-8: `bytes` themselves when `decoded` (libarchive's UTF-8,
/// an invalid sequence made U+FFFD), otherwise UTF-8 if valid, else GBK.
std::string name_in_utf8(std::string_view bytes, bool decoded);

/// A UTF-8 name as a tree's name. `backslashes`: a zip's name with '\' and
/// no '/' separates its parts with '\' (as some Windows zippers write).
struct CleanName {
  std::string name;  // empty for the archive's own folder ("./"), or when refused
  std::string refused;  // UTF-8, why the name is not taken; empty if it is
};
CleanName clean_name(std::string_view utf8, bool backslashes);

}  // namespace codetwin::archive

#endif  // CODETWIN_ARCHIVE_ENTRY_NAMES_H_
