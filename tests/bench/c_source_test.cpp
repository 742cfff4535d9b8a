// The disguiser's view of C: its tokens, its top-level items, where a
// statement may be added, and a layout that never glues tokens together.
#include "bench/c_source.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "bench/c_layout.h"
#include "bench/statement_points.h"

namespace codetwin::bench {
namespace {

char kind_letter(CToken::Kind kind) {
  switch (kind) {
    case CToken::Kind::kName:
      return 'N';
    case CToken::Kind::kNumber:
      return '#';
    case CToken::Kind::kString:
      return 'S';
    case CToken::Kind::kChar:
      return 'C';
    case CToken::Kind::kPunct:
      return 'P';
    case CToken::Kind::kComment:
      return 'K';
    case CToken::Kind::kDirective:
      return 'D';
    case CToken::Kind::kOther:
      return 'O';
  }
  return '?';
}

// "N:x P:= #:1" for the tokens of `source`.
std::string described(const CTokens& tokens) {
  std::string text;
  for (const CToken& t : tokens) {
    if (!text.empty()) text += ' ';
    text += kind_letter(t.kind);
    text += ':';
    text += t.text;
  }
  return text;
}

TEST(CSourceTest, TokensAreTheCompilersAsFarAsADisguiseNeeds) {
  struct Case {
    std::string_view source;
    std::string_view tokens;
  };
  const Case cases[] = {
      {"x = L\"a\\\"b\" + 'c';", "N:x P:= S:L\"a\\\"b\" P:+ C:'c' P:;"},
      {"a->b <<= 1.5e-3 - .5;", "N:a P:-> N:b P:<<= #:1.5e-3 P:- #:.5 P:;"},
      {"i+++j", "N:i P:++ P:+ N:j"},
      {"a/**/b // end\nc", "N:a K:/**/ N:b K:// end N:c"},
      {"// one \\\n two\nc", "K:// one \\\n two N:c"},
      {"\"open\nx", "S:\"open N:x"},
      {"x; # y", "N:x P:; P:# N:y"},
      {"char *s = \"/* no */\";", "N:char P:* N:s P:= S:\"/* no */\" P:;"},
      {"  #  define N 3 /* three */\nint", "D:#  define N 3 /* three */ N:int"},
      {"#define F(a) \\\n  (a)\nF", "D:#define F(a) \\\n  (a) N:F"},
      {"p = \"\xE4\xB8\xAD\"; \xE2\x96\x88", "N:p P:= S:\"\xE4\xB8\xAD\" P:; O:\xE2\x96\x88"}};
  for (const Case& row : cases) {
    EXPECT_EQ(described(tokenize_c(row.source)), row.tokens) << row.source;
  }
}

TEST(CSourceTest, ADirectiveHoldsItsOwnTokens) {
  const CTokens tokens = tokenize_c("#define MAX(a, b) \\\n ((a) > (b)) /* big */\nint x;");
  ASSERT_EQ(tokens.size(), 4u);
  EXPECT_EQ(directive_word(tokens[0]), "define");
  EXPECT_EQ(
      described(tokens[0].parts),
      "P:# N:define N:MAX P:( N:a P:, N:b P:) P:( P:( N:a P:) P:> P:( N:b P:) P:) K:/* big */");
  EXPECT_FALSE(tokens[0].parts[3].space_before);  // MAX( stays a function-like macro
  EXPECT_EQ(tokens[1].lines_before, 1);
}

TEST(CSourceTest, TheTopLevelSplitsIntoItemsThatCarryTheirComments) {
  const std::string_view source =
      "/* head */\n#include <stdio.h>\n#define N 3\nint g;\nint f(int);\n\n"
      "/* f */\nint f(int a) { return a; } // end\n"
      "struct s { int x; } v = { 1 };\nint main() { return f(N); }\n/* tail */\n";
  const std::vector<TopItem> items = split_top_level(tokenize_c(source));
  std::string shape;
  for (const TopItem& item : items) {
    const char letters[] = {'P', 'C', 'V', 'F'};
    shape += letters[static_cast<int>(item.kind)];
    if (item.is_prototype()) shape += "p";
    if (!item.name.empty()) shape += ":" + item.name;
    shape += ' ';
  }
  EXPECT_EQ(shape, "C P P V Vp:f F:f V F:main C ");
  const TopItem& f = items[5];
  EXPECT_EQ(f.tokens.front().text, "/* f */");
  EXPECT_EQ(f.tokens.back().text, "// end");
  EXPECT_EQ(parameter_count(f.tokens), 1u);
  EXPECT_EQ(parameter_count(items[7].tokens), 0u);
  EXPECT_EQ(bare_text(items[7].tokens), "int main ( ) { return f ( N ) ; } ");
}

// The function in `source` with "@" where a statement may be added.
std::string marked(std::string_view source) {
  std::vector<TopItem> items = split_top_level(tokenize_c(source));
  CTokens& tokens = items.at(0).tokens;
  classify_braces(tokens);
  std::vector<bool> at(tokens.size() + 1, false);
  for (const StatementPoint& p : statement_points(tokens)) at[p.at] = true;
  std::string text;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (at[i]) text += "@ ";
    text += tokens[i].text + ' ';
  }
  return text;
}

TEST(StatementPointsTest, StatementsGoOnlyWhereAStatementMayStand) {
  struct Case {
    std::string_view source;
    std::string_view points;
  };
  const Case cases[] = {
      {"int f() { a(); if (x) b(); else c(); return 0; }",
       "int f ( ) { @ a ( ) ; @ if ( x ) b ( ) ; else c ( ) ; @ return 0 ; @ } "},
      {"void f() { do x++; while (x < 3); do { y++; } while (y); }",
       "void f ( ) { @ do x ++ ; while ( x < 3 ) ; @ do { @ y ++ ; @ } while ( y ) ; @ } "},
      {"void f() { for (i = 0; i < n; i++) s(); }",
       "void f ( ) { @ for ( i = 0 ; i < n ; i ++ ) s ( ) ; @ } "},
      {"void f() { switch (c) { case 1: t(); break; default: { u(); } } }",
       "void f ( ) { @ switch ( c ) { case 1 : t ( ) ; break ; default : { @ u ( ) ; @ } } @ } "},
      {"void f() { struct p { int a; int b; } q; int v[] = { 1, 2 }; }",
       "void f ( ) { @ struct p { int a ; int b ; } q ; @ int v [ ] = { 1 , 2 } ; @ } "},
      {"void f() { while (g()) h(); }", "void f ( ) { @ while ( g ( ) ) h ( ) ; @ } "},
      {"void f() {\n a(); /* x */\n b();\n}", "void f ( ) { @ a ( ) ; /* x */ @ b ( ) ; @ } "},
      {"void f() { if (a) { b(); } else { c(); } }",
       "void f ( ) { @ if ( a ) { @ b ( ) ; @ } else { @ c ( ) ; @ } @ } "}};
  for (const Case& row : cases) EXPECT_EQ(marked(row.source), row.points) << row.source;
}

std::string laid_out(std::string_view source, const Layout& layout) {
  Rng rng(1);
  return render(split_top_level(tokenize_c(source)), layout, rng);
}

std::vector<std::string> code_texts(std::string_view source) {
  std::vector<std::string> texts;
  for (const CToken& t : tokenize_c(source)) {
    if (t.kind != CToken::Kind::kComment) texts.push_back(t.text);
  }
  return texts;
}

TEST(CLayoutTest, TokensNeverRunTogether) {
  const std::string_view source =
      "int f(int a, int *p) { return a - -a + a / *p + a+ ++a - - 1 & &a[0] < -1 ? a : !a; }\n"
      "int g(int a) { a = a // half\n / 2; return a; }\n";
  for (Layout::Spacing spacing :
       {Layout::Spacing::kAll, Layout::Spacing::kAssignments, Layout::Spacing::kNone}) {
    Layout layout;
    layout.operators = spacing;
    layout.comma_space = false;
    layout.join_percent = 100;
    EXPECT_EQ(code_texts(laid_out(source, layout)), code_texts(source))
        << static_cast<int>(spacing);
  }
}

TEST(CLayoutTest, StudentsLayoutsInFull) {
  const std::string_view source =
      "int main(){if(a)b();else{c();}while(d)e(); switch(x){case 1:y();break;}"
      "struct s{int v;}t={1};do{f();}while(g); return 0;}";
  Layout knr;
  knr.indent = "    ";
  knr.keep_blank_percent = 0;
  EXPECT_EQ(laid_out(source, knr),
            "int main() {\n"
            "    if (a)\n"
            "        b();\n"
            "    else {\n"
            "        c();\n"
            "    }\n"
            "    while (d)\n"
            "        e();\n"
            "    switch (x) {\n"
            "        case 1:\n"
            "            y();\n"
            "            break;\n"
            "    }\n"
            "    struct s {\n"
            "        int v;\n"
            "    } t = {1};\n"
            "    do {\n"
            "        f();\n"
            "    } while (g);\n"
            "    return 0;\n"
            "}\n");
  Layout allman;
  allman.indent = "\t";
  allman.allman = true;
  allman.cuddle_else = false;
  allman.operators = Layout::Spacing::kNone;
  allman.keyword_space = false;
  allman.indent_cases = false;
  EXPECT_EQ(laid_out(source, allman),
            "int main()\n"
            "{\n"
            "\tif(a)\n"
            "\t\tb();\n"
            "\telse\n"
            "\t{\n"
            "\t\tc();\n"
            "\t}\n"
            "\twhile(d)\n"
            "\t\te();\n"
            "\tswitch(x)\n"
            "\t{\n"
            "\t\tcase 1:\n"
            "\t\ty();\n"
            "\t\tbreak;\n"
            "\t}\n"
            "\tstruct s\n"
            "\t{\n"
            "\t\tint v;\n"
            "\t} t={1};\n"
            "\tdo\n"
            "\t{\n"
            "\t\tf();\n"
            "\t} while(g);\n"
            "\treturn 0;\n"
            "}\n");
}

}  // namespace
}  // namespace codetwin::bench
