// Small C programs for the disguiser's tests, each with what it holds that
// a disguise could get wrong: comments in many places, literals that hold
// names and comment marks, macros, structs, switch, goto, do-while, names
// with underscores and digits, CR LF line ends, no final newline.
#ifndef CODETWIN_TESTS_BENCH_DISGUISE_SAMPLES_H_
#define CODETWIN_TESTS_BENCH_DISGUISE_SAMPLES_H_

#include <string>
#include <string_view>
#include <vector>

namespace codetwin::bench::samples {

// The book's longest-line program as a student keeps it: comments in
// English and Chinese (UTF-8), CR LF line ends, no final newline.
inline std::string longest_line() {
  std::string s =
      "/* longest.c: print the longest input line */\n"
      "#include <stdio.h>\n"
      "#define MAXLINE 1000 /* maximum input line length */\n"
      "\n"
      "int getline(char line[], int maxline);\n"
      "void copy(char to[], char from[]);\n"
      "\n"
      "/* print the longest input line */\n"
      "int main()\n"
      "{\n"
      "    int len;            /* current line length */\n"
      "    int max;            // 目前最长的长度\n"
      "    char line[MAXLINE];\n"
      "    char longest[MAXLINE];\n"
      "\n"
      "    max = 0;\n"
      "    while ((len = getline(line, MAXLINE)) > 0)\n"
      "        if (len > max) {   // 比较长度\n"
      "            max = len;\n"
      "            copy(longest, line);\n"
      "        }\n"
      "    if (max > 0)  /* there was a line */\n"
      "        printf(\"%s\", longest);\n"
      "    return 0;\n"
      "}\n"
      "\n"
      "/* getline: read a line into s, return length */\n"
      "int getline(char s[], int lim)\n"
      "{\n"
      "    int c, i;\n"
      "\n"
      "    for (i = 0; i < lim - 1 && (c = getchar()) != EOF && c != '\\n'; ++i)\n"
      "        s[i] = c;\n"
      "    if (c == '\\n') {\n"
      "        s[i] = c;\n"
      "        ++i;\n"
      "    }\n"
      "    s[i] = '\\0';\n"
      "    return i;\n"
      "}\n"
      "\n"
      "// copy: copy 'from' into 'to'; assume to is big enough\n"
      "void copy(char to[], char from[])\n"
      "{\n"
      "    int i;\n"
      "\n"
      "    i = 0;\n"
      "    while ((to[i] = from[i]) != '\\0')\n"
      "        ++i;\n"
      "}";
  std::string crlf;
  for (char c : s) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
}

// Literals that hold names and comment marks, macros with parameters, a
// struct, switch, goto, do-while, else-if, a - -1 and a ternary.
inline constexpr std::string_view kTricky = R"(/* tricky.c: literals, macros, a struct, a switch */
#include <stdio.h>
#include <string.h>
#define MAX(a, b) ((a) > (b) ? (a) : (b))
#define LIMIT 80 /* longest line */

struct counter { int blanks; int tabs; };

static int tally(const char *text, struct counter *c)
{
    int k = 0, seen = 0;
    while (text[k] != '\0') {
        switch (text[k]) {
        case ' ': c->blanks++; break;   // a blank
        case '\t': c->tabs++; break;
        default: seen = MAX(seen, k);
        }
        k++;
    }
    if (seen > LIMIT) goto done;
    else if (seen < 0) seen = -seen;
    else seen = seen - -1;
done:
    return seen;
}

int main(void)
{
    struct counter c = { 0, 0 };
    char text[LIMIT] = "tally /* not a comment */ // nor this";
    int n = tally(text, &c), k;
    do { n--; } while (n > 0 && c.tabs);
    for (k = 0; k < 3; ++k) putchar(k ? '\'' : '"');
    printf("tally=%d blanks=%d len=%lu %s\n", n, c.blanks, (unsigned long)strlen(text), text == NULL ? "none" : "some");
    return getchar() == EOF ? 0 : 1;
}
)";

// The string and character literals of kTricky, which must stay as they are.
inline const std::vector<std::string_view> kTrickyLiterals = {
    "'\\0'",
    "' '",
    "'\\t'",
    "\"tally /* not a comment */ // nor this\"",
    "'\\''",
    "'\"'",
    "\"tally=%d blanks=%d len=%lu %s\\n\"",
    "\"none\"",
    "\"some\""};

// Names with underscores, digits and keywords in them; names that are not
// the library's though they look alike (line, error).
inline constexpr std::string_view kUnderscores = R"(#include <stdio.h>
#define MAX_LEN_2 100
#define N 10

int _count = 0;
int line, error;

int print_int(int value_1) { return printf("%d ", value_1); }

int get_line(char s[], int lim)
{
    int c, i = 0;
    while (i < lim - 1 && (c = getchar()) != EOF && c != '\n')
        s[i++] = c;
    s[i] = '\0';
    return i;
}

int main()
{
    char buf[MAX_LEN_2];
    int i;
    for (i = 0; i < N; i++)
        _count += print_int(i);
    line = get_line(buf, MAX_LEN_2);
    error = line > 0 ? 0 : 1;
    return error;
}
)";

// X and Y of a partial copy: two solutions of one exercise, both with a
// getline of their own.
inline constexpr std::string_view kPartialX = R"(#include <stdio.h>
#define MAXLINE 1000

int getline(char s[], int lim);
void reverse(char s[]);
int count_tabs(char s[]);

int main()
{
    char line[MAXLINE];
    int len, tabs = 0;
    while ((len = getline(line, MAXLINE)) > 0) {
        tabs += count_tabs(line);
        reverse(line);
        printf("%s", line);
        if (len > 70)
            printf("(long line)\n");
        else if (len == 1)
            printf("(empty line)\n");
    }
    printf("%d tabs\n", tabs);
    return 0;
}

int getline(char s[], int lim)
{
    int c, i;
    for (i = 0; i < lim - 1 && (c = getchar()) != EOF && c != '\n'; ++i)
        s[i] = c;
    if (c == '\n')
        s[i++] = c;
    s[i] = '\0';
    return i;
}

void reverse(char s[])
{
    int i, j;
    char t;
    for (j = 0; s[j] != '\0' && s[j] != '\n'; ++j)
        ;
    for (i = 0, --j; i < j; ++i, --j) {
        t = s[i];
        s[i] = s[j];
        s[j] = t;
    }
}

int count_tabs(char s[])
{
    int i, n = 0;
    for (i = 0; s[i] != '\0'; ++i)
        if (s[i] == '\t')
            ++n;
    return n;
}
)";

inline constexpr std::string_view kPartialY = R"(#include <stdio.h>
#define MAX 500

int getline(char line[], int max);

/* reads lines and prints each one backwards */
int main(void)
{
    char line[MAX];
    int n;
    while ((n = getline(line, MAX)) > 0) {
        while (n > 0)
            putchar(line[--n]);
        putchar('\n');
    }
    return 0;
}

int getline(char line[], int max)
{
    int c, n = 0;
    while ((c = getchar()) != EOF) {
        if (c == '\n')
            break;
        if (n < max - 1)
            line[n++] = c;
    }
    line[n] = '\0';
    return c == EOF && n == 0 ? 0 : n + 1;
}
)";

// kPartialY with a getline of one parameter: X's getline, and X's main
// that calls it with two, no longer fit in it.
inline std::string partial_y_other_getline() {
  std::string y(kPartialY);
  const auto replace = [&y](std::string_view from, std::string_view to) {
    y.replace(y.find(from), from.size(), to);
  };
  replace("int getline(char line[], int max);", "int getline(char line[]);");
  replace("int getline(char line[], int max)\n", "int getline(char line[])\n");
  replace("getline(line, MAX)", "getline(line)");
  replace("if (n < max - 1)", "if (n < MAX - 1)");
  return y;
}

// The definitions of the functions `names` in `source`: from the head's
// line (which ends in ")", not ";" as a prototype's does) to "\n}\n".
struct NamedPart {
  std::string_view name;
  std::string_view text;
};
inline std::vector<NamedPart> functions_of(std::string_view source,
                                           const std::vector<std::string_view>& names) {
  std::vector<NamedPart> parts;
  for (std::string_view name : names) {
    const std::string call = std::string(name) + "(";
    for (std::size_t found = source.find(call); found != std::string_view::npos;
         found = source.find(call, found + 1)) {
      const std::size_t line_start = source.rfind('\n', found) + 1;
      const std::size_t line_end = source.find('\n', found);
      if (source[line_end - 1] != ')') continue;
      const std::size_t end = source.find("\n}\n", line_start) + 3;
      parts.push_back({name, source.substr(line_start, end - line_start)});
      break;
    }
  }
  return parts;
}

}  // namespace codetwin::bench::samples

#endif  // CODETWIN_TESTS_BENCH_DISGUISE_SAMPLES_H_
