// html_report(): the page's frame around the overview and the pair views.
#include "report/html.h"

#include "report/html_parts.h"
#include "report/page_assets.h"

namespace codetwin::report {

namespace {

// Nothing may load from anywhere; the one script and the one style sheet
// run because their hashes are listed, and no attribute can carry either.
std::string content_security_policy() {
  std::string policy = "default-src 'none'; script-src ";
  policy += page::kScriptHash;
  policy += "; style-src ";
  policy += page::kCssHash;
  policy += "; img-src 'none'; base-uri 'none'; form-action 'none'";
  return policy;
}

void append_head(std::string& page) {
  page += "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n";
  page += "<meta http-equiv=\"Content-Security-Policy\" content=\"";
  page += content_security_policy();
  page += "\">\n";
  page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  page += "<meta name=\"referrer\" content=\"no-referrer\">\n";
  page += "<meta name=\"generator\" content=\"codetwin-class\">\n";
  page += "<title>codetwin-class 查重报告</title>\n<style>";
  page += page::kCss;
  page += "</style>\n</head>\n<body>\n<main>\n";
}

void append_tail(std::string& page) {
  page += "</main>\n<script>";
  page += page::kScript;
  page += "</script>\n</body>\n</html>\n";
}

}  // namespace

std::string html_report(const classrun::ClassResult& result, const RunInfo& info,
                        const classrun::Evidence& evidence) {
  html::PairNumbers numbers;
  for (std::size_t index = 0; index < evidence.pairs.size(); ++index) {
    const classrun::PairScore& pair = evidence.pairs[index].pair;
    numbers.emplace(std::make_pair(pair.a, pair.b), index + 1);
  }
  std::string page;
  append_head(page);
  html::append_overview(page, result, info, evidence, numbers);
  for (std::size_t index = 0; index < evidence.pairs.size(); ++index) {
    html::append_pair(page, result, info, evidence, index);
  }
  append_tail(page);
  return page;
}

}  // namespace codetwin::report
