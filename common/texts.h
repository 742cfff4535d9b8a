// Every text the program prints or writes, in one place.
//
// The program speaks GBK (code page 936): console messages and the list file
// legend are stored here as GBK bytes. Beside each byte string stands the same
// text in UTF-8, for the reader of this file and for the test that checks the
// two agree. Console output is converted from GBK for the terminal when
// needed; files always get the GBK bytes.
#ifndef CODETWIN_COMMON_TEXTS_H_
#define CODETWIN_COMMON_TEXTS_H_

#include <array>
#include <string>
#include <string_view>

namespace codetwin::texts {

/// One program text: its GBK bytes, as printed or written, and the same text in UTF-8.
struct Text {
  std::string_view gbk;
  std::string_view utf8;
};

// The request shown at start: name the sources file1.c and file2.c, put them here, press Enter.
inline constexpr Text kRequest{
    "\xC7\xEB\xB0\xD1\xC1\xBD\xB8\xF6\xCE\xC4\xBC\xFE\xB7\xD6\xB1\xF0\xC3\xFC\xC3\xFB\xCE\xAA \"file1.c\" \xBA\xCD \"file2.c\",\xB7\xC5\xB5\xBD\xB4\xCB\xB3\xCC\xD0\xF2\xB5\xC4\xC4\xBF\xC2\xBC\xCF\xC2\xA3\xAC\xD4\xD9\xBB\xD8\xB5\xBD\xB4\xCB\xB3\xCC\xD0\xF2\xB0\xB4\xCF\xC2\xBB\xD8\xB3\xB5",
    "请把两个文件分别命名为 \"file1.c\" 和 \"file2.c\",放到此程序的目录下，再回到此程序按下回车"};

// A source cannot be opened for reading.
inline constexpr Text kSourceUnopenable{
    "\xD4\xB4\xCE\xC4\xBC\xFE\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xA3\xA1",
    "源文件无法打开！"};

// A list or token file cannot be created or written.
inline constexpr Text kWriteFailed{
    "\xCE\xC4\xBC\xFE\xD0\xB4\xC8\xEB\xCA\xA7\xB0\xDC\xA3\xA1",
    "文件写入失败！"};

// Both token strings have been written.
inline constexpr Text kTokensGenerated{
    "\ntoken\xB4\xAE\xD2\xD1\xC9\xFA\xB3\xC9\xB3\xC9\xB9\xA6",
    "\ntoken串已生成成功"};

// A token file cannot be opened by the comparer.
inline constexpr Text kOpenFailed{
    "\xCE\xC4\xBC\xFE\xB4\xF2\xBF\xAA\xCA\xA7\xB0\xDC\xA3\xA1",
    "文件打开失败！"};

// printf format: length of token string 1.
inline constexpr Text kLength1{
    "token\xB4\xAE" "1\xB3\xA4\xB6\xC8\xCE\xAA%d\xA3\xAC",
    "token串1长度为%d，"};

// printf format: length of token string 2.
inline constexpr Text kLength2{
    "token\xB4\xAE" "2\xB3\xA4\xB6\xC8\xCE\xAA%d\n",
    "token串2长度为%d\n"};

// Whether to open both token files in the viewer.
inline constexpr Text kViewQuestion{
    "\xCA\xC7\xB7\xF1\xD2\xAA\xB2\xE9\xBF\xB4\xD5\xE2\xC1\xBD\xB8\xF6token\xB4\xAE\xA3\xBFY/N ",
    "是否要查看这两个token串？Y/N "};

// Whether to print both strings after every tiling pass.
inline constexpr Text kDetailsQuestion{
    "\n\xBD\xAB\xB3\xAC\xB9\xFD\xD6\xB8\xB6\xA8\xB3\xA4\xB6\xC8\xB5\xC4\xB9\xAB\xB9\xB2\xD7\xD3\xB4\xAE\xD3\xC3\xBF\xD5\xB8\xF1\xCC\xE6\xBB\xBB\xA3\xAC\xCA\xC7\xB7\xF1\xD2\xAA\xB2\xE9\xBF\xB4\xCF\xB8\xBD\xDA\xA3\xBFY/N ",
    "\n将超过指定长度的公共子串用空格替换，是否要查看细节？Y/N "};

// printf format: heading of one pass's details.
inline constexpr Text kPassHeader{
    "\xB5\xDA%d\xB4\xCE\xBC\xEC\xB2\xE9\xC1\xBD\xB4\xAE\xD6\xD0\xB5\xC4\xC6\xA5\xC5\xE4\xB4\xAE\n",
    "第%d次检查两串中的匹配串\n"};

// printf format: total length of all tiles.
inline constexpr Text kTotalLength{
    "\xB9\xAB\xB9\xB2\xD7\xD3\xB4\xAE\xB5\xC4\xD7\xDC\xB3\xA4\xCE\xAA%d,",
    "公共子串的总长为%d,"};

// Introduces the formula.
inline constexpr Text kAccordingTo{
    "\xB8\xF9\xBE\xDD\xB9\xAB\xCA\xBD",
    "根据公式"};

// Rule above and below the formula: two TABs and 26 em dashes.
inline constexpr Text kRule{
    "\t\t\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA\xA1\xAA",
    "\t\t——————————————————————————"};

// The similarity formula.
inline constexpr Text kFormula{
    "\t\t| \xCF\xE0\xCB\xC6\xB6\xC8=(2\xA1\xC1\xB9\xAB\xB9\xB2\xD7\xD3\xB4\xAE\xB3\xA4\xB6\xC8)\xA1\xC2(\xB4\xAE" "A\xB3\xA4\xB6\xC8+\xB4\xAE" "B\xB3\xA4\xB6\xC8) |",
    "\t\t| 相似度=(2×公共子串长度)÷(串A长度+串B长度) |"};

// printf format: the similarity, six decimals.
inline constexpr Text kSimilarity{
    "\xD5\xE2\xC1\xBD\xB4\xAE\xB4\xFA\xC2\xEB\xB5\xC4\xCF\xE0\xCB\xC6\xB6\xC8\xCE\xAA%f\n",
    "这两串代码的相似度为%f\n"};

// Verdict at or above the threshold.
inline constexpr Text kSuspected{
    "\n\xCF\xE0\xCB\xC6\xB6\xC8\xB3\xAC\xB9\xFD" "0.8,\xD5\xE2\xC1\xBD\xB8\xF6\xB4\xFA\xC2\xEB\xD3\xD0\xB3\xAD\xCF\xAE\xCF\xD3\xD2\xC9",
    "\n相似度超过0.8,这两个代码有抄袭嫌疑"};

// Verdict below the threshold, or not a number.
inline constexpr Text kNotSuspected{
    "\n\xCF\xE0\xCB\xC6\xB6\xC8\xCE\xB4\xB3\xAC\xB9\xFD" "0.8,\xD5\xE2\xC1\xBD\xB8\xF6\xB4\xFA\xC2\xEB\xC3\xBB\xD3\xD0\xB3\xAD\xCF\xAE\xCF\xD3\xD2\xC9",
    "\n相似度未超过0.8,这两个代码没有抄袭嫌疑"};

// The ten lines that open every list file, in this order.
inline constexpr std::array<Text, 10> kListLegend{{
    {"\t***** \xB5\xA5\xB4\xCA\xC0\xE0\xD0\xCD\xB9\xDB\xB2\xEC\xB1\xED *****\n",
     "\t***** 单词类型观察表 *****\n"},
    {"\t K --int,short,long \n",
     "\t K --int,short,long \n"},
    {"\t E --float,double\n",
     "\t E --float,double\n"},
    {"\t Y --\xC6\xE4\xCB\xFB\xB9\xD8\xBC\xFC\xD7\xD6\n",
     "\t Y --其他关键字\n"},
    {"\t A --\xD4\xCB\xCB\xE3\xB7\xFB\xBA\xC5\n",
     "\t A --运算符号\n"},
    {"\t R --\xD3\xEF\xD1\xD4\xB7\xFB\xBA\xC5\n",
     "\t R --语言符号\n"},
    {"\t N --\xCA\xFD\xD7\xD6\n",
     "\t N --数字\n"},
    {"\t H --\xBA\xBA\xD7\xD6\n",
     "\t H --汉字\n"},
    {"\t C --\xD2\xBB\xB0\xE3\xB1\xE4\xC1\xBF\xBB\xF2\xB1\xEA\xCA\xB6\xB7\xFB\n",
     "\t C --一般变量或标识符\n"},
    {"\t*****************************\n",
     "\t*****************************\n"},
}};

// All texts above, for checks that walk them.
inline constexpr std::array kAllMessages{kRequest, kSourceUnopenable, kWriteFailed, kTokensGenerated, kOpenFailed, kLength1, kLength2, kViewQuestion, kDetailsQuestion, kPassHeader, kTotalLength, kAccordingTo, kRule, kFormula, kSimilarity, kSuspected, kNotSuspected};

/// `format` with its one "%d" or "%f" replaced by `value`: the texts carry
/// printf-style placeholders, and the caller formats the value itself.
inline std::string fill(std::string_view format, std::string_view value) {
  std::string filled(format);
  std::size_t at = filled.find('%');
  if (at != std::string::npos) filled.replace(at, 2, value);
  return filled;
}

}  // namespace codetwin::texts

#endif  // CODETWIN_COMMON_TEXTS_H_
