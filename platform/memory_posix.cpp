// keep_freed_memory() with glibc's mallopt; other C libraries keep their
// defaults.
#include "platform/memory.h"

#include <cstdlib>  // says which C library this is (__GLIBC__)
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace codetwin::platform {

void keep_freed_memory() {
#if defined(__GLIBC__)
  // Blocks up to 32 MiB (the most glibc allows) come from the heap, not
  // from a mapping of their own that is unmapped when freed; the heap grows
  // 16 MiB at a time (the kernel gives pages only when touched) and never
  // shrinks back.
  constexpr int kMiB = 1 << 20;
  mallopt(M_MMAP_THRESHOLD, 32 * kMiB);
  mallopt(M_TOP_PAD, 16 * kMiB);
  mallopt(M_TRIM_THRESHOLD, -1);
#endif
}

}  // namespace codetwin::platform
