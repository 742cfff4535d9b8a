// How many threads a run should use by default: the CPUs this process is
// allowed to run on, not the machine's count.
//
// A batch system or a container gives a process part of a machine in two
// ways, and both count: an affinity mask (Slurm's --cpus-per-task binds a
// task to 4 of a node's 128 CPUs) and a CPU quota (a container limited to
// 2 CPUs may run on all of them, but only for 2 CPUs' worth of time, so
// more threads only wait for their turn). The result is the smaller of the
// two, a quota of 1.5 CPUs counting as 2; at least 1.
//
// On Linux the quota is read from the process's cgroup (version 2's
// cpu.max, or version 1's cpu.cfs_quota_us and cpu.cfs_period_us), the
// smallest along the path up to the root. On Windows the mask is the
// process's affinity mask (its processor group).
#ifndef CODETWIN_PLATFORM_CPUS_H_
#define CODETWIN_PLATFORM_CPUS_H_

#include <filesystem>
#include <optional>
#include <string_view>

namespace codetwin::platform {

/// The number of threads that can run at once for this process.
unsigned usable_cpus();

/// The affinity count limited by a quota, as described above.
unsigned cpus_within(unsigned affinity, std::optional<double> quota);

/// A quota in CPUs from a cgroup v2 cpu.max ("200000 100000" is 2; "max
/// 100000" is none), or from cgroup v1's quota and period in microseconds
/// (a quota of -1 is none). Nullopt too for anything unreadable.
std::optional<double> quota_from_cpu_max(std::string_view cpu_max);
std::optional<double> quota_from_cfs(std::string_view quota_us, std::string_view period_us);

/// The smallest quota on the way from the process's cgroup up to the root
/// of the cgroup file system mounted at `cgroup_root` (normally
/// /sys/fs/cgroup), given the contents of /proc/self/cgroup. Works on
/// cgroup v2 and on v1's cpu controller; nullopt when there is no quota.
std::optional<double> cgroup_cpu_quota(std::string_view proc_self_cgroup,
                                       const std::filesystem::path& cgroup_root);

}  // namespace codetwin::platform

#endif  // CODETWIN_PLATFORM_CPUS_H_
