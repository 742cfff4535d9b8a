// Entry names: the charset guessed or given, separators and parts.
#include "archive/entry_names.h"

#include <gtest/gtest.h>

namespace codetwin::archive {
namespace {

TEST(EntryNamesTest, Charset) {
  struct Row {
    const char* name;
    std::string bytes;
    bool decoded;
    std::string utf8;
  };
  const Row rows[] = {
      {"ASCII", "main.c", false, "main.c"},
      {"valid UTF-8 is UTF-8", "张三.c", false, "张三.c"},
      {"otherwise GBK", "\xD5\xC5\xC8\xFD.c", false, "张三.c"},
      {"GBK with a trail byte that is '\\'", "\xB9\\.c", false, "筡.c"},
      {"neither: U+FFFD for the bad byte", "\xD5\xC5\xFF.c", false, "张\xEF\xBF\xBD.c"},
      {"libarchive's UTF-8 is taken as it is", "张三.c", true, "张三.c"},
      {"even where it would read as GBK", "\xD5\xC5.c", true, "\xEF\xBF\xBD\xEF\xBF\xBD.c"},
  };
  for (const Row& row : rows) EXPECT_EQ(name_in_utf8(row.bytes, row.decoded), row.utf8) << row.name;
}

TEST(EntryNamesTest, Parts) {
  struct Row {
    const char* name;
    std::string utf8;
    bool backslashes;
    std::string clean;
    std::string refused;
  };
  const Row rows[] = {
      {"plain", "hw/张三/main.c", false, "hw/张三/main.c", ""},
      {"folder entry", "hw/张三/", false, "hw/张三", ""},
      {"dot parts and doubled slashes", "./hw//a/./b.c", false, "hw/a/b.c", ""},
      {"the archive's own folder", "./", false, "", ""},
      {"Windows separators in a zip", "hw\\张三\\main.c", true, "hw/张三/main.c", ""},
      {"a '\\' beside a '/' is a name's", "hw/a\\b.c", true, "hw/a\\b.c", ""},
      {"a '\\' in a tar is a name's", "a\\b.c", false, "a\\b.c", ""},
      {"absolute", "/etc/passwd.c", false, "", "绝对路径"},
      {"absolute in Windows' manner", "\\Windows\\x.c", true, "", "绝对路径"},
      {"a drive", "C:/x.c", false, "", "绝对路径"},
      {"a drive's relative path", "c:x.c", false, "", "绝对路径"},
      {"up and out", "../x.c", false, "", "名字中有“..”"},
      {"up and out, deeper", "a/../../x.c", false, "", "名字中有“..”"},
      {"up, even where it stays inside", "a/b/../c.c", false, "", "名字中有“..”"},
      {"dots in a name are a name", "a/..b/c...c", false, "a/..b/c...c", ""},
  };
  for (const Row& row : rows) {
    const CleanName clean = clean_name(row.utf8, row.backslashes);
    EXPECT_EQ(clean.name, row.clean) << row.name;
    EXPECT_EQ(clean.refused, row.refused) << row.name;
  }
}

}  // namespace
}  // namespace codetwin::archive
