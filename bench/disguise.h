// Disguised copies of a real C source, made as students hide them.
//
// Every kind starts as a *plain* copy: the program's own names renamed
// consistently (renaming.h), most comments dropped and the others given
// new text (English, or Chinese in UTF-8), a new layout (c_layout.h), and
// the top-level functions in a new order, with prototypes before them all
// (added where the original had none) so that it still compiles. Then:
//
//  - padded: dead code and redundant statements (padding.h) until the code
//    is 15-30 % longer than the original's;
//  - extended: functions of the student's own (own_code.h), called from
//    main, for about 50 % more code;
//  - partial: another student's program Y with about half of X's code in
//    it: whole functions of X, each replacing Y's function of the same name
//    or added with a prototype, then the whole disguised plainly;
//  - group: two plain copies of one source with different seeds.
//
// "Code" is measured as program_edit.h says: the token string of the
// source with its comments out. Each function is pure and deterministic:
// the same bytes and seed give the same copy on every platform.
#ifndef CODETWIN_BENCH_DISGUISE_H_
#define CODETWIN_BENCH_DISGUISE_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace codetwin::bench {

enum class DisguiseKind { kPlain, kPadded, kExtended, kPartial, kGroup };

/// "plain", "padded", "extended", "partial", "group".
std::string_view kind_name(DisguiseKind kind);
std::optional<DisguiseKind> kind_named(std::string_view name);

/// How much more code each kind adds, in percent of the original's.
inline constexpr int kPaddedLeast = 18;  // drawn in 18-27: well inside 15-30
inline constexpr int kPaddedMost = 27;
inline constexpr int kExtendedLeast = 45;
inline constexpr int kExtendedMost = 55;

struct DisguiseOptions {
  bool reorder_functions = true;  // off: the code's token string stays the original's
};

std::string disguise_plain(std::string_view source, std::uint64_t seed,
                           const DisguiseOptions& options = {});
std::string disguise_padded(std::string_view source, std::uint64_t seed,
                            const DisguiseOptions& options = {});
std::string disguise_extended(std::string_view source, std::uint64_t seed,
                              const DisguiseOptions& options = {});

/// Y with about half of X's code in it (whole functions of X, see
/// partial_copy.h for which).
std::string disguise_partial(std::string_view x, std::string_view y, std::uint64_t seed);

/// Two plain copies with different seeds.
std::array<std::string, 2> disguise_group(std::string_view source, std::uint64_t seed);

}  // namespace codetwin::bench

#endif  // CODETWIN_BENCH_DISGUISE_H_
