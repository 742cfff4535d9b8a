// Submissions in archives, by the same rules as in folders: an archive's
// tree (archive.h) is walked as the folder it stands for.
#include "classrun/archive_submissions.h"

#include <algorithm>
#include <map>

#include "platform/paths.h"
#include "platform/tool_console.h"

namespace codetwin::classrun {

namespace {

// macOS's zipper adds this folder of resource forks beside the real ones.
constexpr std::string_view kMacResources = "__MACOSX";

std::string_view first_part(std::string_view name) { return name.substr(0, name.find('/')); }

// Left out as a folder's hidden entries are: any part starting with '.'.
bool hidden(std::string_view name) {
  if (first_part(name) == kMacResources) return true;
  for (std::size_t begin = 0; begin < name.size();) {
    if (name[begin] == '.') return true;
    const std::size_t slash = name.find('/', begin);
    if (slash == std::string_view::npos) break;
    begin = slash + 1;
  }
  return false;
}

bool is_source(std::string_view name, const SourceKinds& kinds) {
  const std::size_t slash = name.rfind('/');
  const std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
  return kinds.matches(platform::path_from_name(last));
}

archive::Reader::Wanted wanted_by(const SourceKinds& kinds) {
  return [&kinds](std::string_view name) {
    return !hidden(name) && (is_source(name, kinds) || archive::is_archive_name(name));
  };
}

// An entry's name in a message: nothing in it can drive the terminal.
std::string shown(std::string_view name) { return platform::escape_name(name, true); }

std::string stop_message(const std::string& given, const archive::Tree& tree, const archive::Reader& reader) {
  std::string text = "压缩包 " + given + "：" + archive::stop_text(tree.stop, reader.max_bytes());
  if (!tree.stopped_at.empty()) text += "（在 " + shown(tree.stopped_at) + " 处）";
  return text;
}

bool refused(const archive::Tree& tree) {
  return tree.stop == archive::Stop::kUnopenable || tree.stop == archive::Stop::kTooLarge ||
         tree.stop == archive::Stop::kTooMany;
}

void add_notes(const std::string& given, const archive::Tree& tree, Discovered& found) {
  if (tree.empty && tree.stop == archive::Stop::kNone) found.notes.push_back("压缩包是空的：" + given);
  for (const archive::Skipped& skipped : tree.skipped) {
    found.notes.push_back("压缩包 " + given + " 中的 " + shown(skipped.name) + " 不予读取：" + skipped.why);
  }
}

// The files of the tree that are sources (or could not be read), each with
// its name below `below` ("" for all), in byte order of those names.
struct Part {
  std::string relative;
  const archive::File* file;
};
std::vector<Part> sources_below(const archive::Tree& tree, const std::string& below, const SourceKinds& kinds) {
  std::vector<Part> parts;
  for (const archive::File& file : tree.files) {
    if (!below.empty() && !file.name.starts_with(below + "/")) continue;
    const std::string relative = below.empty() ? file.name : file.name.substr(below.size() + 1);
    if (hidden(file.name)) continue;
    if (file.unreadable.empty() && (file.bytes == nullptr || !is_source(file.name, kinds))) continue;
    parts.push_back({relative, &file});
  }
  std::sort(parts.begin(), parts.end(), [](const Part& x, const Part& y) { return x.relative < y.relative; });
  return parts;
}

SourceFile source_file(const std::filesystem::path& path, const std::string& name, const archive::File& file) {
  return SourceFile{path, name, file.bytes, file.unreadable};
}

// The single top-level folder that holds every file, if there is one.
std::string single_top_folder(const archive::Tree& tree) {
  std::string top;
  for (const archive::File& file : tree.files) {
    if (hidden(file.name)) continue;
    if (file.name.find('/') == std::string::npos) return "";
    const std::string_view part = first_part(file.name);
    if (top.empty()) {
      top = part;
    } else if (top != part) {
      return "";
    }
  }
  return top;
}

}  // namespace

void discover_archive_class(const std::string& given, const std::filesystem::path& path, Cohort cohort,
                            const SourceKinds& kinds, archive::Reader& archives, Discovered& found) {
  const archive::Tree tree = archives.read(path, wanted_by(kinds));
  if (refused(tree)) {
    found.error = stop_message(given, tree, archives);
    return;
  }
  add_notes(given, tree, found);
  const std::string top = single_top_folder(tree);
  const auto inside = [&top](const std::string& name) {
    return top.empty() || !name.starts_with(top + "/") ? name : name.substr(top.size() + 1);
  };
  const auto named = [&given, cohort](std::string_view entry) {
    return cohort == Cohort::kOld ? given + "/" + std::string(entry) : std::string(entry);
  };
  // Each top-level entry, in name order, with its files in theirs.
  std::map<std::string, Submission> entries;
  for (const Part& part : sources_below(tree, top, kinds)) {
    const std::string entry(first_part(part.relative));
    auto [at, added] = entries.try_emplace(entry, listed(named(entry), cohort, {}));
    const std::string shown_name =
        entry.size() == part.relative.size() ? at->second.name : at->second.name + part.relative.substr(entry.size());
    at->second.files.push_back(source_file(path, shown_name, *part.file));
  }
  // Folders without sources, as a class folder's are, noted.
  std::map<std::string, bool> folders;
  for (const archive::File& file : tree.files) {
    const std::string relative = inside(file.name);
    if (!hidden(file.name) && relative.find('/') != std::string::npos) folders[std::string(first_part(relative))];
  }
  for (const auto& [folder, unused] : folders) {
    if (!entries.contains(folder)) found.notes.push_back("文件夹中没有源文件，不作为作业：" + named(folder));
  }
  if (tree.stop == archive::Stop::kDamaged) {
    if (entries.empty()) {
      found.error = stop_message(given, tree, archives);
      return;
    }
    // The submission that the damage cut off is incomplete: skipped, with the entry.
    found.notes.push_back(stop_message(given, tree, archives) + "，其后的内容无法读取");
    const std::string at = inside(tree.stopped_at);
    const std::string name = at.empty() ? given : named(first_part(at));
    entries.erase(std::string(first_part(at)));
    found.skipped.push_back({name, at.empty() ? given : named(at), "压缩包在此处损坏或不完整"});
  }
  for (auto& [entry, submission] : entries) found.submissions.push_back(std::move(submission));
}

bool add_archive_submission(const std::filesystem::path& path, const std::string& name, Cohort cohort,
                            const SourceKinds& kinds, archive::Reader& archives, Discovered& found) {
  const archive::Tree tree = archives.read(path, wanted_by(kinds));
  add_notes(name, tree, found);
  if (tree.stop != archive::Stop::kNone) {
    std::string reason = archive::stop_text(tree.stop, archives.max_bytes());
    if (!tree.stopped_at.empty()) reason += "（在 " + shown(tree.stopped_at) + " 处）";
    found.skipped.push_back({name, name, reason});
    return false;
  }
  Submission submission = listed(name, cohort, {});
  for (const Part& part : sources_below(tree, "", kinds)) {
    submission.files.push_back(source_file(path, name + "/" + part.relative, *part.file));
  }
  if (submission.files.empty()) {
    found.notes.push_back("压缩包中没有源文件，不作为作业：" + name);
    return false;
  }
  found.submissions.push_back(std::move(submission));
  return true;
}

}  // namespace codetwin::classrun
