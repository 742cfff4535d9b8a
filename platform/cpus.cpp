// The quota arithmetic and the cgroup file system, the same on every
// system; the counts of CPUs come from cpus_posix.cpp and cpus_win32.cpp.
#include "platform/cpus.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace codetwin::platform {
namespace {

std::optional<long long> whole_number(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::optional<std::string> read_small_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::optional<double> smaller(std::optional<double> a, std::optional<double> b) {
  if (!a) return b;
  if (!b) return a;
  return std::min(*a, *b);
}

// `quota_at(folder)` for the cgroup at `path` under `root` and each of its
// ancestors: a limit anywhere above holds for the process too. When the
// path is not found under the root (a container that sees its own cgroup
// mounted as the root, without a cgroup namespace) or leaves it (a cgroup
// outside the namespace), the root's own.
template <typename QuotaAt>
std::optional<double> smallest_up_to_root(const std::filesystem::path& root, std::string_view path,
                                          QuotaAt quota_at) {
  std::filesystem::path relative = std::filesystem::path(path).relative_path();
  std::error_code error;
  const bool leaves_root =
      std::any_of(relative.begin(), relative.end(), [](const auto& part) { return part == ".."; });
  if (leaves_root || !std::filesystem::is_directory(root / relative, error)) relative.clear();
  std::optional<double> quota;
  while (true) {
    quota = smaller(quota, quota_at(root / relative));
    if (relative.empty()) break;
    relative = relative.parent_path();
  }
  return quota;
}

struct CgroupLine {
  std::string_view controllers;  // empty on cgroup v2
  std::string_view path;
};

std::vector<CgroupLine> cgroup_lines(std::string_view text) {
  std::vector<CgroupLine> lines;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    const std::size_t first = line.find(':');
    if (first == std::string_view::npos) continue;
    const std::size_t second = line.find(':', first + 1);
    if (second == std::string_view::npos) continue;
    lines.push_back({line.substr(first + 1, second - first - 1), line.substr(second + 1)});
  }
  return lines;
}

bool lists_cpu(std::string_view controllers) {
  while (!controllers.empty()) {
    const std::size_t end = std::min(controllers.find(','), controllers.size());
    if (controllers.substr(0, end) == "cpu") return true;
    controllers.remove_prefix(std::min(end + 1, controllers.size()));
  }
  return false;
}

}  // namespace

unsigned cpus_within(unsigned affinity, std::optional<double> quota) {
  unsigned cpus = std::max(affinity, 1u);
  if (quota && *quota > 0) {
    const double whole = std::ceil(*quota);
    if (whole < cpus) cpus = std::max(1u, static_cast<unsigned>(whole));
  }
  return cpus;
}

std::optional<double> quota_from_cpu_max(std::string_view cpu_max) {
  const std::size_t space = cpu_max.find(' ');
  if (space == std::string_view::npos) return std::nullopt;
  const std::optional<long long> quota = whole_number(cpu_max.substr(0, space));
  const std::optional<long long> period = whole_number(cpu_max.substr(space + 1));
  if (!quota || !period || *quota <= 0 || *period <= 0) return std::nullopt;  // "max": none
  return static_cast<double>(*quota) / static_cast<double>(*period);
}

std::optional<double> quota_from_cfs(std::string_view quota_us, std::string_view period_us) {
  const std::optional<long long> quota = whole_number(quota_us);
  const std::optional<long long> period = whole_number(period_us);
  if (!quota || !period || *quota <= 0 || *period <= 0) return std::nullopt;  // -1: none
  return static_cast<double>(*quota) / static_cast<double>(*period);
}

std::optional<double> cgroup_cpu_quota(std::string_view proc_self_cgroup,
                                       const std::filesystem::path& cgroup_root) {
  const std::vector<CgroupLine> lines = cgroup_lines(proc_self_cgroup);
  // Version 1 (or a hybrid system, where the cpu controller stays on v1):
  // the controller's own hierarchy, mounted under its names.
  for (const CgroupLine& line : lines) {
    if (!lists_cpu(line.controllers)) continue;
    for (const std::string_view mount : {std::string_view(line.controllers), std::string_view("cpu")}) {
      const std::filesystem::path hierarchy = cgroup_root / mount;
      std::error_code error;
      if (!std::filesystem::is_directory(hierarchy, error)) continue;
      return smallest_up_to_root(hierarchy, line.path, [](const std::filesystem::path& folder) {
        const std::optional<std::string> quota = read_small_file(folder / "cpu.cfs_quota_us");
        const std::optional<std::string> period = read_small_file(folder / "cpu.cfs_period_us");
        if (!quota || !period) return std::optional<double>();
        return quota_from_cfs(*quota, *period);
      });
    }
    return std::nullopt;
  }
  // Version 2: one hierarchy, "0::PATH".
  for (const CgroupLine& line : lines) {
    if (!line.controllers.empty()) continue;
    return smallest_up_to_root(cgroup_root, line.path, [](const std::filesystem::path& folder) {
      const std::optional<std::string> cpu_max = read_small_file(folder / "cpu.max");
      return cpu_max ? quota_from_cpu_max(*cpu_max) : std::nullopt;
    });
  }
  return std::nullopt;
}

}  // namespace codetwin::platform
