// The six files of a run, fixed and relative to the working directory.
#ifndef CODETWIN_COMMON_FILE_NAMES_H_
#define CODETWIN_COMMON_FILE_NAMES_H_

namespace codetwin {

/// The three files of one source: the C source, its list file and its token file.
struct SourceFiles {
  const char* source;
  const char* list;
  const char* token;
};

inline constexpr SourceFiles kFirst{"file1.c", "list1.txt", "token1.txt"};
inline constexpr SourceFiles kSecond{"file2.c", "list2.txt", "token2.txt"};

}  // namespace codetwin

#endif  // CODETWIN_COMMON_FILE_NAMES_H_
