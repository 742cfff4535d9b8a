// The default thread count: quotas read from cgroup files laid out in a
// scratch folder as the kernel lays them out, and the affinity mask of the
// test's own thread.
#include "platform/cpus.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <thread>

#include "tests/platform/temp_dir.h"

namespace codetwin::platform {
namespace {

using codetwin::testing::TempDir;
using codetwin::testing::write_bytes;

TEST(CpusTest, QuotaLimitsTheAffinityRoundingUp) {
  struct Row {
    unsigned affinity;
    std::optional<double> quota;
    unsigned expected;
  };
  for (const Row& row : {Row{128, std::nullopt, 128}, Row{128, 4.0, 4}, Row{128, 1.5, 2},
                         Row{2, 8.0, 2}, Row{8, 0.25, 1}, Row{0, std::nullopt, 1},
                         Row{4, 0.0, 4}}) {
    EXPECT_EQ(cpus_within(row.affinity, row.quota), row.expected)
        << row.affinity << " " << row.quota.value_or(-1);
  }
}

TEST(CpusTest, QuotaFilesAreRead) {
  struct Row {
    std::string_view text;
    std::optional<double> quota;
  };
  for (const Row& row : {Row{"200000 100000\n", 2.0}, Row{"150000 100000", 1.5},
                         Row{"max 100000\n", std::nullopt}, Row{"", std::nullopt},
                         Row{"100000", std::nullopt}, Row{"0 100000", std::nullopt},
                         Row{"100000 0", std::nullopt}, Row{"1x 100000", std::nullopt}}) {
    EXPECT_EQ(quota_from_cpu_max(row.text), row.quota) << row.text;
  }
  EXPECT_EQ(quota_from_cfs("400000\n", "100000\n"), 4.0);
  EXPECT_EQ(quota_from_cfs("-1\n", "100000\n"), std::nullopt);
  EXPECT_EQ(quota_from_cfs("", "100000"), std::nullopt);
}

TEST(CpusTest, CgroupQuotaIsTheSmallestOnTheWayToTheRoot) {
  TempDir root;
  ASSERT_TRUE(root.ok());
  const std::filesystem::path v2 = root.path() / "v2";
  std::filesystem::create_directories(v2 / "slurm/job_7/step_0");
  ASSERT_TRUE(write_bytes(v2 / "slurm/cpu.max", "800000 100000\n"));
  ASSERT_TRUE(write_bytes(v2 / "slurm/job_7/cpu.max", "400000 100000\n"));
  ASSERT_TRUE(write_bytes(v2 / "slurm/job_7/step_0/cpu.max", "max 100000\n"));

  const std::filesystem::path v1 = root.path() / "v1";
  std::filesystem::create_directories(v1 / "cpu,cpuacct/docker/abc");
  ASSERT_TRUE(write_bytes(v1 / "cpu,cpuacct/docker/abc/cpu.cfs_quota_us", "200000\n"));
  ASSERT_TRUE(write_bytes(v1 / "cpu,cpuacct/docker/abc/cpu.cfs_period_us", "100000\n"));
  ASSERT_TRUE(write_bytes(v1 / "cpu,cpuacct/cpu.cfs_quota_us", "-1\n"));
  ASSERT_TRUE(write_bytes(v1 / "cpu,cpuacct/cpu.cfs_period_us", "100000\n"));

  struct Row {
    const char* what;
    std::string_view proc_self_cgroup;
    std::filesystem::path root;
    std::optional<double> quota;
  };
  for (const Row& row : {
           Row{"v2, a limit two levels up", "0::/slurm/job_7/step_0\n", v2, 4.0},
           Row{"v2, the top cgroup's own", "0::/slurm\n", v2, 8.0},
           Row{"v2, no limit at the root", "0::/\n", v2, std::nullopt},
           Row{"v2, a path the namespace hides: the root's", "0::/../outside\n", v2, std::nullopt},
           Row{"v1 cpu controller", "12:memory:/docker/abc\n4:cpu,cpuacct:/docker/abc\n", v1, 2.0},
           Row{"hybrid: v1's cpu wins", "4:cpu,cpuacct:/docker/abc\n0::/slurm/job_7\n", v1, 2.0},
           Row{"v1 without a cpu controller", "12:memory:/docker/abc\n", v1, std::nullopt},
           Row{"nothing readable", "garbage", v2, std::nullopt},
       }) {
    EXPECT_EQ(cgroup_cpu_quota(row.proc_self_cgroup, row.root), row.quota) << row.what;
  }
}

#if defined(__linux__)
TEST(CpusTest, AffinityMaskOfTheCallerCounts) {
  cpu_set_t before;
  ASSERT_EQ(sched_getaffinity(0, sizeof before, &before), 0);
  int first = 0;
  while (!CPU_ISSET(first, &before)) ++first;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(first, &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  const unsigned cpus = usable_cpus();
  ASSERT_EQ(sched_setaffinity(0, sizeof before, &before), 0);
  EXPECT_EQ(cpus, 1u);
  EXPECT_GE(usable_cpus(), 1u);
  EXPECT_LE(usable_cpus(), std::max(1u, std::thread::hardware_concurrency()));
}
#endif

}  // namespace
}  // namespace codetwin::platform
