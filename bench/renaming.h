// Renaming a program's own names, as a student hides a copy.
//
// A program's *own* names are those it declares: its functions, variables,
// parameters, struct tags and members, labels and macros. Keywords, the
// standard library's names (printf, getchar, EOF, NULL, strlen, ...), main,
// reserved names (_X, __x), a name the program calls but never defines (a
// library function we do not list) and a name its #if lines test but it
// never #defines all stay. #include lines and literals are never touched.
//
// A new name keeps the old one's underscores, parts that start with a digit
// and parts that are keywords ("max_len" may become "top_size", "print_int"
// "show_int"): the project's lexer reads each part between underscores as a
// word of its own, so the copy's token string stays the original's.
#ifndef CODETWIN_BENCH_RENAMING_H_
#define CODETWIN_BENCH_RENAMING_H_

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "bench/c_source.h"
#include "bench/generate.h"

namespace codetwin::bench {

/// Whether `name` belongs to the C standard library (or POSIX's few that
/// students use) and so is never renamed nor taken.
bool is_library_name(std::string_view name);

/// What a name names, which decides the kind of new name it gets.
enum class NameRole { kFunction, kMacro, kVariable };

/// The own names of `items`, each with its role.
std::map<std::string, NameRole> own_names(const std::vector<TopItem>& items);

/// Makes new names that clash with no name of the program nor with each
/// other, in one style (camelCase or joined lower case) per maker.
class NameMaker {
 public:
  /// Every word in the code and literals of `items` is taken.
  NameMaker(std::uint64_t seed, const std::vector<TopItem>& items);

  /// A new name for `old` that keeps its shape (see above).
  std::string replace(std::string_view old, NameRole role);
  /// A new name for something the program did not have.
  std::string fresh(NameRole role);
  /// A new one-letter name, or a letter and a digit when those are taken.
  std::string fresh_short(bool upper_case = false);

 private:
  std::string word(NameRole role, bool upper);
  std::string part_word(NameRole role, std::size_t k, bool several, bool upper);
  std::string claim(std::string name);
  bool taken(const std::string& name) const;

  Rng rng_;
  bool camel_;
  std::set<std::string> taken_;
};

/// Renames every own name of `items` with `names`, everywhere but in
/// #include lines and literals; item names follow.
void rename_own_names(std::vector<TopItem>& items, NameMaker& names);

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_RENAMING_H_
