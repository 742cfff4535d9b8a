// keep_freed_memory() on Windows: the process heap already keeps what is
// freed.
#include "platform/memory.h"

namespace codetwin::platform {

void keep_freed_memory() {}

}  // namespace codetwin::platform
