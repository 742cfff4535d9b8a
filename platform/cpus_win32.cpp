// The CPUs of a Windows process: the bits of its affinity mask, which
// covers its processor group.
#include <windows.h>

#include <bit>
#include <cstdint>
#include <thread>

#include "platform/cpus.h"

namespace codetwin::platform {

unsigned usable_cpus() {
  DWORD_PTR process_mask = 0;
  DWORD_PTR system_mask = 0;
  unsigned affinity = std::thread::hardware_concurrency();
  if (GetProcessAffinityMask(GetCurrentProcess(), &process_mask, &system_mask) &&
      process_mask != 0) {
    affinity = static_cast<unsigned>(std::popcount(static_cast<std::uint64_t>(process_mask)));
  }
  return cpus_within(affinity, std::nullopt);
}

}  // namespace codetwin::platform
