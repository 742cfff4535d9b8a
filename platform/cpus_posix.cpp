// The CPUs of a POSIX process: its affinity mask (Linux) and its cgroup's
// quota; elsewhere the machine's count.
#include <sched.h>

#include <thread>

#include "platform/cpus.h"
#include "platform/files.h"

namespace codetwin::platform {
namespace {

unsigned affinity_cpus() {
#if defined(__linux__)
  // A mask large enough for any machine: the default cpu_set_t holds 1,024
  // CPUs, and sched_getaffinity fails on a larger one.
  for (int size = CPU_SETSIZE; size <= (1 << 16); size *= 2) {
    cpu_set_t* set = CPU_ALLOC(size);
    if (set == nullptr) break;
    const std::size_t bytes = CPU_ALLOC_SIZE(size);
    const bool read = sched_getaffinity(0, bytes, set) == 0;
    const int count = read ? CPU_COUNT_S(bytes, set) : 0;
    CPU_FREE(set);
    if (read) return static_cast<unsigned>(count);
  }
#endif
  return std::thread::hardware_concurrency();
}

}  // namespace

unsigned usable_cpus() {
  std::optional<double> quota;
#if defined(__linux__)
  if (std::optional<std::string> cgroup = read_text_file("/proc/self/cgroup")) {
    quota = cgroup_cpu_quota(*cgroup, "/sys/fs/cgroup");
  }
#endif
  return cpus_within(affinity_cpus(), quota);
}

}  // namespace codetwin::platform
