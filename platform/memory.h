// How the C library's allocator treats a short-lived program's memory.
//
// codetwin runs once per pair and is gone in milliseconds. Its big buffers
// (a source, its word list, the tiling's arrays) are allocated, freed and
// allocated again; by default glibc gives each of them fresh pages from the
// kernel and hands them back when freed, and every fresh page costs a fault
// that, on a virtual machine, is worth thousands of instructions. Keeping
// freed memory in the process lets the next buffer reuse pages already
// touched.
#ifndef CODETWIN_PLATFORM_MEMORY_H_
#define CODETWIN_PLATFORM_MEMORY_H_

namespace codetwin::platform {

/// Asks the allocator to keep the memory the process frees for its own
/// later allocations, instead of returning it to the system. Call once, at
/// start; does nothing where the allocator offers no such choice.
void keep_freed_memory();

}  // namespace codetwin::platform

#endif  // CODETWIN_PLATFORM_MEMORY_H_
