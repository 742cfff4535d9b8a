// Each GBK byte string is the GBK encoding of the readable text beside it.
#include <iconv.h>

#include <string>

#include <gtest/gtest.h>

#include "common/texts.h"

namespace codetwin::texts {
namespace {

std::string utf8_to_gbk(std::string_view utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string in(utf8), out(utf8.size() * 2 + 4, '\0');
  char* in_ptr = in.data();
  char* out_ptr = out.data();
  size_t in_left = in.size(), out_left = out.size();
  EXPECT_NE(iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left), static_cast<size_t>(-1));
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return out;
}

TEST(TextsTest, EveryMessageIsTheGbkOfItsReadableText) {
  for (const Text& text : kAllMessages) {
    EXPECT_EQ(text.gbk, utf8_to_gbk(text.utf8)) << text.utf8;
  }
}

TEST(TextsTest, EveryLegendLineIsTheGbkOfItsReadableText) {
  for (const Text& line : kListLegend) EXPECT_EQ(line.gbk, utf8_to_gbk(line.utf8)) << line.utf8;
}

TEST(TextsTest, LegendLinesHaveTheirByteLengths) {
  const std::size_t expected[] = {28, 22, 19, 17, 15, 15, 11, 11, 23, 31};
  for (std::size_t i = 0; i < kListLegend.size(); ++i) {
    EXPECT_EQ(kListLegend[i].gbk.size(), expected[i]) << "line " << i + 1;
  }
}

TEST(TextsTest, RuleIsTwoTabsAndTwentySixEmDashes) {
  std::string expected = "\t\t";
  for (int i = 0; i < 26; ++i) expected += "\xA1\xAA";
  EXPECT_EQ(kRule.gbk, expected);
}

TEST(TextsTest, FillReplacesThePlaceholder) {
  EXPECT_EQ(fill("a%db", "42"), "a42b");
  EXPECT_EQ(fill("%f\n", "nan"), "nan\n");
  EXPECT_EQ(fill("none", "1"), "none");
}

}  // namespace
}  // namespace codetwin::texts
