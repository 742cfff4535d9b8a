// The token string and the list file's text.
#include <gtest/gtest.h>

#include <string>

#include "common/texts.h"
#include "lexer/lexer.h"

namespace codetwin::lexer {
namespace {

struct TokenCase {
  const char* name;
  std::string source;
  std::string expected;
};

TEST(TokenStringTest, NormalisesTheSource) {
  const TokenCase cases[] = {
      {"empty source", "", ""},
      {"declaration", "int a=10;", "zhid=10;"},
      {"include line", "#include <stdio.h>", "#id<id.id>"},
      {"double", "double x;", "fuid;"},
      {"long", "long n;", "zhid;"},
      {"return sum", "return sum;", "returnid;"},
      {"return total", "return total;", "returnid;"},
      {"colon vanishes", "a: b", "idid"},
      {"underscore splits a name", "my_var", "idid"},
      {"one name", "myvar", "id"},
      {"type keyword joined by underscore", "int_x", "zhid"},
      {"only Chinese text", "\xD6\xD0\xCE\xC4", ""},
      {"NUL word adds nothing", std::string("a\0b", 3), "idid"},
      {"operators and numbers stay", "x>=3.5&&y!=0x1F", "id>=3.5&&id!=0x1F"},
      {"lone & and ! vanish", "&x !y", "idid"},
      {"worked pair, source 1",
       "int main(){ int i, sum = 0; for (i = 1; i <= 10; i++) sum = sum + i; "
       "printf(\"%d\", sum); return 0; }",
       "zhmain(){zhid,id=0;for(id=1;id<=10;id++)id=id+id;printf(id,id);return0;}"},
      {"worked pair, source 2",
       "int main(){ int k, total = 0; k = 1; while (k <= 10) { total = total + k; k++; } "
       "printf(\"%d\", total); return 0; }",
       "zhmain(){zhid,id=0;id=1;while(id<=10){id=id+id;id++;}printf(id,id);return0;}"},
  };
  for (const TokenCase& row : cases) {
    EXPECT_EQ(token_string(scan(row.source)), row.expected) << row.name;
  }
}

TEST(TokenStringTest, WorkedPairLengths) {
  EXPECT_EQ(token_string(scan("int main(){ int i, sum = 0; for (i = 1; i <= 10; i++) sum = sum "
                              "+ i; printf(\"%d\", sum); return 0; }"))
                .size(),
            72u);
  EXPECT_EQ(token_string(scan("int main(){ int k, total = 0; k = 1; while (k <= 10) { total = "
                              "total + k; k++; } printf(\"%d\", total); return 0; }"))
                .size(),
            76u);
}

TEST(ListLegendTest, TenLinesOfTheirLengths) {
  std::string legend = list_legend();
  const std::size_t lengths[] = {28, 22, 19, 17, 15, 15, 11, 11, 23, 31};
  std::size_t begin = 0;
  for (std::size_t i = 0; i < 10; ++i) {
    std::size_t end = legend.find('\n', begin);
    ASSERT_NE(end, std::string::npos) << "line " << i + 1;
    EXPECT_EQ(end + 1 - begin, lengths[i]) << "line " << i + 1;
    EXPECT_EQ(legend.substr(begin, end + 1 - begin), texts::kListLegend[i].gbk) << "line " << i + 1;
    begin = end + 1;
  }
  EXPECT_EQ(begin, legend.size());
  EXPECT_EQ(legend.find('\r'), std::string::npos);
}

TEST(ListLegendTest, AsciiLinesExactly) {
  std::string legend = list_legend();
  EXPECT_NE(legend.find("\n\t K --int,short,long \n\t E --float,double\n"), std::string::npos);
  EXPECT_EQ(legend.substr(legend.size() - 31), "\t" + std::string(29, '*') + "\n");
}

struct RecordsCase {
  const char* name;
  std::string source;
  std::string expected;
};

TEST(ListRecordsTest, OneRecordPerWord) {
  const RecordsCase cases[] = {
      {"empty source", "", ""},
      {"declaration", "int a=10;", "(K,int,0)\n(C,a,1)\n(A,=,2)\n(N,10,3)\n(R,;,4)\n"},
      {"comma word", "a b c d e f ,",
       "(C,a,0)\n(C,b,1)\n(C,c,2)\n(C,d,3)\n(C,e,4)\n(C,f,5)\n(R,,,6)\n"},
      {"empty word", std::string("a b c\0", 6), "(C,a,0)\n(C,b,1)\n(C,c,2)\n(H,,3)\n"},
      {"colon", "a: b", "(C,a,0)\n(H,:,1)\n(C,b,2)\n"},
      {"parentheses raw", "f()", "(C,f,0)\n(R,(,1)\n(R,),2)\n"},
      {"GBK bytes", "\xD6\xD0", "(H,\xD6,0)\n(H,\xD0,1)\n"},
  };
  for (const RecordsCase& row : cases) {
    WordList link = scan(row.source);
    EXPECT_EQ(list_records(link, 0, link.size()), row.expected) << row.name;
    EXPECT_EQ(list_text(link), list_legend() + row.expected) << row.name;
  }
}

TEST(ListRecordsTest, SliceKeepsIndicesOfTheWholeList) {
  WordList link = scan("int a=10;");
  EXPECT_EQ(list_records(link, 2, 4), "(A,=,2)\n(N,10,3)\n");
  EXPECT_EQ(list_records(link, 5, 5), "");
}

TEST(ListRecordsTest, IndicesPastTenThousand) {
  std::string source;
  for (int i = 0; i < 50000; ++i) source += "x ";
  WordList link = scan(source);
  ASSERT_EQ(link.size(), 50000u);
  EXPECT_EQ(list_records(link, 49999, 50000), "(C,x,49999)\n");
  EXPECT_EQ(token_string(link).size(), 100000u);
}

}  // namespace
}  // namespace codetwin::lexer
