// The example pair in examples/ and everything the program makes of it.
#ifndef CODETWIN_TESTS_E2E_WORKED_PAIR_H_
#define CODETWIN_TESTS_E2E_WORKED_PAIR_H_

#include <fstream>
#include <iterator>
#include <string>

#include "common/texts.h"
#include "tests/e2e/program_runner.h"

namespace codetwin::testing {

inline std::string example_source(const char* name) {
  std::ifstream in(std::string(CODETWIN_EXAMPLES) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void put_worked_pair(const ScratchDir& dir) {
  dir.write("file1.c", example_source("file1.c"));
  dir.write("file2.c", example_source("file2.c"));
}

inline const std::string kTokens1 =
    "zhmain(){zhid,id=0;for(id=1;id<=10;id++)id=id+id;printf(id,id);return0;}";
inline const std::string kTokens2 =
    "zhmain(){zhid,id=0;id=1;while(id<=10){id=id+id;id++;}printf(id,id);return0;}";

// The legend as stored: GBK, each line ending in CR LF.
inline std::string stored_legend() {
  std::string legend;
  for (const texts::Text& line : texts::kListLegend) {
    legend.append(line.gbk.substr(0, line.gbk.size() - 1));
    legend.append("\r\n");
  }
  return legend;
}

inline const std::string kList1Records =
    "(K,int,0)\r\n(Y,main,1)\r\n(R,(,2)\r\n(R,),3)\r\n(R,{,4)\r\n(K,int,5)\r\n(C,i,6)\r\n"
    "(R,,,7)\r\n(C,sum,8)\r\n(A,=,9)\r\n(N,0,10)\r\n(R,;,11)\r\n(Y,for,12)\r\n"
    "(R,(,13)\r\n(C,i,14)\r\n(A,=,15)\r\n(N,1,16)\r\n(R,;,17)\r\n(C,i,18)\r\n"
    "(A,<=,19)\r\n(N,10,20)\r\n(R,;,21)\r\n(C,i,22)\r\n(A,++,23)\r\n(R,),24)\r\n"
    "(C,sum,25)\r\n(A,=,26)\r\n(C,sum,27)\r\n(A,+,28)\r\n(C,i,29)\r\n(R,;,30)\r\n"
    "(Y,printf,31)\r\n(R,(,32)\r\n(H,\",33)\r\n(H,%,34)\r\n(C,d,35)\r\n(H,\",36)\r\n"
    "(R,,,37)\r\n(C,sum,38)\r\n(R,),39)\r\n(R,;,40)\r\n(Y,return,41)\r\n(N,0,42)\r\n"
    "(R,;,43)\r\n(R,},44)\r\n";
inline const std::string kList2Records =
    "(K,int,0)\r\n(Y,main,1)\r\n(R,(,2)\r\n(R,),3)\r\n(R,{,4)\r\n(K,int,5)\r\n(C,k,6)\r\n"
    "(R,,,7)\r\n(C,total,8)\r\n(A,=,9)\r\n(N,0,10)\r\n(R,;,11)\r\n(C,k,12)\r\n"
    "(A,=,13)\r\n(N,1,14)\r\n(R,;,15)\r\n(Y,while,16)\r\n(R,(,17)\r\n(C,k,18)\r\n"
    "(A,<=,19)\r\n(N,10,20)\r\n(R,),21)\r\n(R,{,22)\r\n(C,total,23)\r\n(A,=,24)\r\n"
    "(C,total,25)\r\n(A,+,26)\r\n(C,k,27)\r\n(R,;,28)\r\n(C,k,29)\r\n(A,++,30)\r\n"
    "(R,;,31)\r\n(R,},32)\r\n(Y,printf,33)\r\n(R,(,34)\r\n(H,\",35)\r\n(H,%,36)\r\n"
    "(C,d,37)\r\n(H,\",38)\r\n(R,,,39)\r\n(C,total,40)\r\n(R,),41)\r\n(R,;,42)\r\n"
    "(Y,return,43)\r\n(N,0,44)\r\n(R,;,45)\r\n(R,},46)\r\n";

// Answers: Enter at the request, Enter after the success line, then "n" to
// viewing and `details` to the details question.
inline std::string answers(const char* details) { return std::string("\n\nn\n") + details + "\n"; }

}  // namespace codetwin::testing

#endif  // CODETWIN_TESTS_E2E_WORKED_PAIR_H_
