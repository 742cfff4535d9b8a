#include "bench/renaming.h"

#include <algorithm>
#include <iterator>

namespace codetwin::bench {

namespace {

// The library names students' programs meet: <stdio.h>, <stdlib.h>,
// <string.h>, <ctype.h>, <math.h>, <limits.h>, <stdbool.h>, <stddef.h>,
// <stdint.h>, <time.h>, <assert.h>, <errno.h>, <stdarg.h>, <signal.h> and
// <setjmp.h>, with conio's keys that some use. POSIX's getline is not
// among them: a program that defines its own (as the book does) renames it,
// one that calls the library's never defines it and keeps it.
constexpr std::string_view kLibraryNames[] = {
    // <stdio.h>
    "BUFSIZ", "EOF", "FILE", "FILENAME_MAX", "FOPEN_MAX", "L_tmpnam", "NULL", "SEEK_CUR",
    "SEEK_END", "SEEK_SET", "TMP_MAX", "clearerr", "fclose", "feof", "ferror", "fflush", "fgetc",
    "fgetpos", "fgets", "fopen", "fpos_t", "fprintf", "fputc", "fputs", "fread", "freopen",
    "fscanf", "fseek", "fsetpos", "ftell", "fwrite", "getc", "getchar", "gets", "perror", "printf",
    "putc", "putchar", "puts", "remove", "rename", "rewind", "scanf", "setbuf", "setvbuf",
    "snprintf", "sprintf", "sscanf", "stderr", "stdin", "stdout", "tmpfile", "tmpnam", "ungetc",
    "vfprintf", "vprintf", "vsprintf", "vsnprintf", "getch", "getche", "kbhit",
    // <stdlib.h>
    "EXIT_FAILURE", "EXIT_SUCCESS", "MB_CUR_MAX", "RAND_MAX", "abort", "abs", "atexit", "atof",
    "atoi", "atol", "atoll", "bsearch", "calloc", "div", "div_t", "exit", "free", "getenv", "labs",
    "ldiv", "ldiv_t", "llabs", "malloc", "qsort", "rand", "realloc", "srand", "strtod", "strtol",
    "strtoul", "strtoll", "strtoull", "system",
    // <string.h>
    "memchr", "memcmp", "memcpy", "memmove", "memset", "strcat", "strchr", "strcmp", "strcoll",
    "strcpy", "strcspn", "strdup", "strerror", "strlen", "strncat", "strncmp", "strncpy", "strpbrk",
    "strrchr", "strspn", "strstr", "strtok", "strxfrm",
    // <ctype.h>
    "isalnum", "isalpha", "isblank", "iscntrl", "isdigit", "isgraph", "islower", "isprint",
    "ispunct", "isspace", "isupper", "isxdigit", "tolower", "toupper", "isascii", "toascii",
    // <math.h>
    "HUGE_VAL", "INFINITY", "NAN", "M_PI", "acos", "asin", "atan", "atan2", "ceil", "cos", "cosh",
    "exp", "fabs", "floor", "fmod", "frexp", "ldexp", "log", "log10", "modf", "pow", "round", "sin",
    "sinh", "sqrt", "tan", "tanh", "trunc",
    // <limits.h>, <stdint.h>, <stddef.h>, <stdbool.h>
    "CHAR_BIT", "CHAR_MAX", "CHAR_MIN", "INT_MAX", "INT_MIN", "LONG_MAX", "LONG_MIN", "SCHAR_MAX",
    "SCHAR_MIN", "SHRT_MAX", "SHRT_MIN", "UCHAR_MAX", "UINT_MAX", "ULONG_MAX", "USHRT_MAX",
    "LLONG_MAX", "LLONG_MIN", "ULLONG_MAX", "SIZE_MAX", "int8_t", "int16_t", "int32_t", "int64_t",
    "uint8_t", "uint16_t", "uint32_t", "uint64_t", "intptr_t", "uintptr_t", "size_t", "ssize_t",
    "ptrdiff_t", "wchar_t", "offsetof", "bool", "true", "false",
    // <time.h>, <assert.h>, <errno.h>, <stdarg.h>, <signal.h>, <setjmp.h>
    "CLOCKS_PER_SEC", "clock", "clock_t", "difftime", "time", "time_t", "tm", "localtime", "gmtime",
    "mktime", "strftime", "ctime", "asctime", "assert", "NDEBUG", "errno", "EDOM", "ERANGE",
    "va_arg", "va_end", "va_list", "va_start", "va_copy", "signal", "raise", "SIGINT", "jmp_buf",
    "setjmp", "longjmp", "defined"};

const std::set<std::string_view>& library_names() {
  static const std::set<std::string_view> names(std::begin(kLibraryNames), std::end(kLibraryNames));
  return names;
}

bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool is_reserved(std::string_view name) {
  return name.size() >= 2 && name[0] == '_' &&
         (name[1] == '_' || (name[1] >= 'A' && name[1] <= 'Z'));
}

// Words for new names. None is a keyword (not even "do") or a library name:
// a part of a name that is a keyword would change the token string.
constexpr std::string_view kNouns[] = {
    "buf",   "line",  "text", "str",    "word",  "chars", "count", "total", "limit", "width",
    "pos",   "idx",   "len",  "size",   "cur",   "prev",  "next",  "last",  "first", "start",
    "stop",  "tab",   "col",  "row",    "ch",    "val",   "num",   "res",   "out",   "input",
    "store", "temp",  "data", "seen",   "found", "state", "flag",  "mark",  "hist",  "freq",
    "src",   "dst",   "dest", "target", "pat",   "key",   "item",  "part",  "step",  "space",
    "blank", "gap",   "spot", "place",  "slot",  "piece", "chunk", "block", "run",   "span",
    "acc",   "tally", "note", "peak",   "top",   "base",  "edge",  "head",  "tail",  "level"};
constexpr std::string_view kVerbs[] = {
    "read",  "fetch", "load",   "copy",   "move",   "show",  "find",   "seek",   "scan",  "strip",
    "trim",  "clean", "drop",   "squash", "locate", "match", "calc",   "make",   "build", "fill",
    "put",   "write", "emit",   "take",   "grab",   "check", "test",   "walk",   "skip",  "swap",
    "merge", "split", "shrink", "pack",   "draw",   "plot",  "report", "handle", "run"};
constexpr std::string_view kAdjectives[] = {"my",  "new", "old", "max", "min", "big",
                                            "tmp", "aux", "the", "cur", "main"};
constexpr char kLetters[] = "ijkmnpqrstuvwxyzabcdefgh";

std::string upper(std::string_view word) {
  std::string s(word);
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

std::string capitalised(std::string_view word) {
  std::string s(word);
  if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
  return s;
}

bool is_upper_name(std::string_view name) {
  bool letters = false;
  for (char c : name) {
    if (c >= 'a' && c <= 'z') return false;
    if (c >= 'A' && c <= 'Z') letters = true;
  }
  return letters;
}

// A part of a name between underscores that must stay: empty, a number, or
// a word the project's lexer reads as a keyword.
bool part_stays(std::string_view part) {
  return part.empty() || (part[0] >= '0' && part[0] <= '9') || is_c_keyword(part) ||
         part == "main" || part == "printf";
}

std::vector<std::string_view> split_parts(std::string_view name) {
  std::vector<std::string_view> parts;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = name.find('_', begin);
    parts.push_back(name.substr(begin, end == std::string_view::npos ? end : end - begin));
    if (end == std::string_view::npos) return parts;
    begin = end + 1;
  }
}

// A directive's tokens after "#" and its word ("define", "include", ...).
constexpr std::size_t kDirectiveBody = 2;

template <typename F>
void for_each_name(const CTokens& tokens, F&& f, std::size_t begin = 0) {
  for (std::size_t i = begin; i < tokens.size(); ++i) {
    const CToken& t = tokens[i];
    if (t.kind == CToken::Kind::kDirective) {
      for_each_name(t.parts, f, kDirectiveBody);
    } else if (t.kind == CToken::Kind::kName) {
      std::size_t next = i + 1;
      while (next < tokens.size() && !tokens[next].is_code()) ++next;
      f(t, next < tokens.size() && tokens[next].is("("));
    }
  }
}

bool is_conditional(std::string_view word) {
  return word == "if" || word == "ifdef" || word == "ifndef" || word == "elif" || word == "undef";
}

}  // namespace

bool is_library_name(std::string_view name) { return library_names().count(name) > 0; }

std::map<std::string, NameRole> own_names(const std::vector<TopItem>& items) {
  std::set<std::string> functions, macros, called, tested, seen;
  for (const TopItem& item : items) {
    if (item.kind == TopItem::Kind::kFunction) functions.insert(item.name);
    for (const CToken& t : item.tokens) {
      if (t.kind != CToken::Kind::kDirective) continue;
      const std::string_view word = directive_word(t);
      if (word == "define" && t.parts.size() > 2) macros.insert(t.parts[2].text);
      if (is_conditional(word)) {
        for_each_name(
            t.parts, [&](const CToken& n, bool) { tested.insert(n.text); }, kDirectiveBody);
      }
    }
  }
  for (const TopItem& item : items) {
    CTokens code;
    for (const CToken& t : item.tokens) {
      if (t.kind == CToken::Kind::kDirective && directive_word(t) == "include") continue;
      code.push_back(t);
    }
    for_each_name(code, [&](const CToken& n, bool before_paren) {
      seen.insert(n.text);
      if (before_paren) called.insert(n.text);
    });
  }
  std::map<std::string, NameRole> own;
  for (const std::string& name : seen) {
    const bool defined = functions.count(name) > 0 || macros.count(name) > 0;
    if (is_c_keyword(name) || is_library_name(name) || is_reserved(name) || name == "main")
      continue;
    if (!defined && (called.count(name) > 0 || tested.count(name) > 0)) continue;
    own[name] = macros.count(name) > 0      ? NameRole::kMacro
                : functions.count(name) > 0 ? NameRole::kFunction
                                            : NameRole::kVariable;
  }
  return own;
}

namespace {

// Every run of letters, digits and underscores in the code and literals of
// `tokens`, and each part of it between underscores.
void add_words(const CTokens& tokens, std::set<std::string>& words) {
  for (const CToken& t : tokens) {
    if (t.kind == CToken::Kind::kComment) continue;
    if (t.kind == CToken::Kind::kDirective) add_words(t.parts, words);
    std::size_t i = 0;
    while (i < t.text.size()) {
      std::size_t end = i;
      while (end < t.text.size() && (is_name_char(t.text[end]))) ++end;
      if (end == i) {
        ++i;
        continue;
      }
      const std::string_view run = std::string_view(t.text).substr(i, end - i);
      words.emplace(run);
      for (std::string_view part : split_parts(run)) words.emplace(part);
      i = end;
    }
  }
}

}  // namespace

NameMaker::NameMaker(std::uint64_t seed, const std::vector<TopItem>& items) : rng_(seed) {
  camel_ = rng_.percent(60);
  // A new name is no word the source holds, in its code or in a literal:
  // so the words of a copy map one to one onto the original's.
  for (const TopItem& item : items) add_words(item.tokens, taken_);
}

bool NameMaker::taken(const std::string& name) const {
  return taken_.count(name) > 0 || is_c_keyword(name) || is_library_name(name) || name == "main";
}

std::string NameMaker::claim(std::string name) {
  taken_.insert(name);
  return name;
}

std::string NameMaker::word(NameRole role, bool upper_case) {
  std::string w;
  if (role == NameRole::kFunction) {
    const std::string_view verb = kVerbs[rng_.below(std::size(kVerbs))];
    const std::string_view noun = kNouns[rng_.below(std::size(kNouns))];
    w = std::string(verb) + (camel_ ? capitalised(noun) : std::string(noun));
  } else if (rng_.percent(35)) {
    const std::string_view adjective = kAdjectives[rng_.below(std::size(kAdjectives))];
    const std::string_view noun = kNouns[rng_.below(std::size(kNouns))];
    w = std::string(adjective) + (camel_ ? capitalised(noun) : std::string(noun));
  } else {
    w = kNouns[rng_.below(std::size(kNouns))];
  }
  return upper_case || role == NameRole::kMacro ? upper(w) : w;
}

std::string NameMaker::part_word(NameRole role, std::size_t k, bool several, bool upper_case) {
  if (!several) return word(role, upper_case);
  // "read_line", not "readBuf_copyTail": a verb first for a function, then
  // plain nouns.
  const std::string_view w = k == 0 && role == NameRole::kFunction
                                 ? kVerbs[rng_.below(std::size(kVerbs))]
                                 : kNouns[rng_.below(std::size(kNouns))];
  return upper_case || role == NameRole::kMacro ? upper(w) : std::string(w);
}

std::string NameMaker::replace(std::string_view old, NameRole role) {
  if (old.size() == 1) return fresh_short(is_upper_name(old));
  const std::vector<std::string_view> parts = split_parts(old);
  for (int attempt = 0;; ++attempt) {
    std::string name;
    for (std::size_t k = 0; k < parts.size(); ++k) {
      if (k > 0) name += '_';
      if (part_stays(parts[k])) {
        name += parts[k];
        continue;
      }
      name += part_word(role, k, parts.size() > 1, is_upper_name(parts[k]));
    }
    // Past a few tries, a digit tells the new name apart.
    if (attempt >= 8) name += std::to_string(attempt);
    if (!taken(name) && name != old) return claim(std::move(name));
  }
}

std::string NameMaker::fresh(NameRole role) {
  for (int attempt = 0;; ++attempt) {
    std::string name = word(role, false);
    if (attempt >= 8) name += std::to_string(attempt);
    if (!taken(name)) return claim(std::move(name));
  }
}

std::string NameMaker::fresh_short(bool upper_case) {
  const std::size_t letters = std::size(kLetters) - 1;
  const std::size_t first = rng_.below(letters);
  const auto letter = [&](std::size_t k) {
    const char c = kLetters[(first + k) % letters];
    return upper_case ? static_cast<char>(c - 'a' + 'A') : c;
  };
  for (std::size_t k = 0; k < letters; ++k) {
    std::string name(1, letter(k));
    if (!taken(name)) return claim(std::move(name));
  }
  for (int digit = 1;; ++digit) {
    std::string name(1, letter(0));
    name += std::to_string(digit);
    if (!taken(name)) return claim(std::move(name));
  }
}

namespace {

void apply_renaming(CTokens& tokens, const std::map<std::string, std::string>& renamed) {
  for (CToken& t : tokens) {
    if (t.kind == CToken::Kind::kDirective) {
      if (directive_word(t) == "include" || t.parts.size() <= kDirectiveBody) continue;
      CTokens body(t.parts.begin() + kDirectiveBody, t.parts.end());
      apply_renaming(body, renamed);
      std::copy(body.begin(), body.end(), t.parts.begin() + kDirectiveBody);
    } else if (t.kind == CToken::Kind::kName) {
      const auto it = renamed.find(t.text);
      if (it != renamed.end()) t.text = it->second;
    }
  }
}

}  // namespace

void rename_own_names(std::vector<TopItem>& items, NameMaker& names) {
  std::map<std::string, std::string> renamed;
  for (const auto& [name, role] : own_names(items)) renamed[name] = names.replace(name, role);
  for (TopItem& item : items) {
    apply_renaming(item.tokens, renamed);
    const auto it = renamed.find(item.name);
    if (it != renamed.end()) item.name = it->second;
  }
}

}  // namespace codetwin::bench
