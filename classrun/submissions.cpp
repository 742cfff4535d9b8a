// Discovery and reading of submissions: the file system side of a class run.
//
// Every error is answered with a value: a folder that cannot be listed, a
// file that cannot be read. std::filesystem is used with error codes only,
// so nothing here throws for a bad tree.
#include "classrun/submissions.h"

#include <algorithm>
#include <system_error>

#include "archive/archive.h"
#include "classrun/archive_submissions.h"
#include "platform/paths.h"

namespace codetwin::classrun {

namespace {

namespace fs = std::filesystem;

char ascii_lower(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }

bool equal_ignoring_ascii_case(std::string_view x, std::string_view y) {
  return x.size() == y.size() &&
         std::equal(x.begin(), x.end(), y.begin(),
                    [](char p, char q) { return ascii_lower(p) == ascii_lower(q); });
}

bool is_hidden(const std::string& name) { return !name.empty() && name[0] == '.'; }

// What a directory entry is, links to files followed, links to folders not.
enum class Kind { kFile, kFolder, kLinkToFolder, kOther, kMissing };

Kind kind_of(const fs::path& path) {
  std::error_code error;
  const fs::file_status own = fs::symlink_status(path, error);
  if (error || own.type() == fs::file_type::not_found) return Kind::kMissing;
  const bool link = own.type() == fs::file_type::symlink;
  const fs::file_status target = link ? fs::status(path, error) : own;
  if (error || target.type() == fs::file_type::not_found) return Kind::kMissing;
  if (target.type() == fs::file_type::directory) return link ? Kind::kLinkToFolder : Kind::kFolder;
  if (target.type() == fs::file_type::regular) return Kind::kFile;
  return Kind::kOther;
}

bool is_separator(char ch) { return ch == '/' || ch == '\\'; }

// A folder's path as given, without the separators it may end with.
std::string without_trailing_separators(std::string_view given) {
  std::string trimmed(given);
  while (trimmed.size() > 1 && is_separator(trimmed.back())) trimmed.pop_back();
  return trimmed;
}

std::string join(std::string_view folder, std::string_view name) {
  std::string joined = without_trailing_separators(folder);
  if (!joined.empty() && !is_separator(joined.back())) joined += '/';
  return joined + std::string(name);
}

// The entries of a folder by name, or false when it cannot be listed.
bool list_folder(const fs::path& folder, std::vector<std::pair<std::string, fs::path>>& entries) {
  std::error_code error;
  fs::directory_iterator it(folder, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    entries.emplace_back(platform::name_of(it->path().filename()), it->path());
  }
  if (error) return false;
  std::sort(entries.begin(), entries.end());
  return true;
}

// Collects the source files below `folder`, named `prefix` + their path
// relative to it. Hidden entries and links to folders are passed over.
// False when a folder below cannot be listed: the submission's files would
// be incomplete.
bool collect_sources(const fs::path& folder, const std::string& prefix, const SourceKinds& kinds,
                     std::vector<SourceFile>& files, std::string& failed) {
  std::vector<std::pair<std::string, fs::path>> entries;
  if (!list_folder(folder, entries)) {
    failed = prefix.empty() ? platform::name_of(folder) : prefix;
    return false;
  }
  for (const auto& [name, path] : entries) {
    if (is_hidden(name)) continue;
    const std::string shown = prefix.empty() ? name : prefix + "/" + name;
    switch (kind_of(path)) {
      case Kind::kFolder:
        if (!collect_sources(path, shown, kinds, files, failed)) return false;
        break;
      case Kind::kLinkToFolder:
        // Not followed; one named as a source is a folder where a file was expected.
        if (kinds.matches(path)) files.push_back({path, shown});
        break;
      case Kind::kFile:
      case Kind::kOther:
      case Kind::kMissing:
        // Not regular, or a dangling link: kept, so that reading names it.
        if (kinds.matches(path)) files.push_back({path, shown});
        break;
    }
  }
  return true;
}

// Byte order of the names relative to the submission's folder.
void sort_files(std::vector<SourceFile>& files, std::size_t prefix_size) {
  std::sort(files.begin(), files.end(), [prefix_size](const SourceFile& x, const SourceFile& y) {
    return x.name.compare(prefix_size, std::string::npos, y.name, prefix_size, std::string::npos) <
           0;
  });
}

}  // namespace

Submission listed(std::string name, Cohort cohort, std::vector<SourceFile> files) {
  Submission submission;
  submission.name = std::move(name);
  submission.cohort = cohort;
  submission.files = std::move(files);
  return submission;
}

namespace {

// A folder as one submission named `name`. False, with `found` told why,
// when it cannot be listed or holds no source files.
bool add_folder_submission(const fs::path& folder, const std::string& name, Cohort cohort,
                           const SourceKinds& kinds, Discovered& found) {
  Submission submission = listed(name, cohort, {});
  std::string failed;
  if (!collect_sources(folder, name, kinds, submission.files, failed)) {
    found.skipped.push_back({name, failed, "无法列出文件夹的内容"});
    return false;
  }
  if (submission.files.empty()) {
    found.notes.push_back("文件夹中没有源文件，不作为作业：" + name);
    return false;
  }
  sort_files(submission.files, name.size() + 1);
  found.submissions.push_back(std::move(submission));
  return true;
}

bool is_archive(const fs::path& path, Kind kind, const archive::Reader* archives) {
  return archives != nullptr && kind == Kind::kFile && archive::is_archive_name(platform::name_of(path));
}

// Each entry of a class folder is a submission.
void discover_class_folder(const std::string& given, Cohort cohort, const SourceKinds& kinds,
                           archive::Reader* archives, Discovered& found) {
  const fs::path folder = platform::path_from_name(given);
  std::vector<std::pair<std::string, fs::path>> entries;
  if (!list_folder(folder, entries)) {
    found.error = "无法列出文件夹的内容：" + given;
    return;
  }
  for (const auto& [entry, path] : entries) {
    if (is_hidden(entry)) continue;
    // Earlier classes' names carry their folder, so they differ from this one's.
    const std::string name = cohort == Cohort::kOld ? join(given, entry) : entry;
    const Kind kind = kind_of(path);
    if (is_archive(path, kind, archives)) {
      // A student's own archive: read as the student's folder.
      add_archive_submission(path, name, cohort, kinds, *archives, found);
      continue;
    }
    switch (kind) {
      case Kind::kFolder:
        add_folder_submission(path, name, cohort, kinds, found);
        break;
      case Kind::kLinkToFolder:
        if (kinds.matches(path)) {
          found.submissions.push_back(listed(name, cohort, {{path, name}}));
        } else {
          found.notes.push_back("不跟随指向文件夹的链接：" + name);
        }
        break;
      case Kind::kFile:
      case Kind::kOther:
      case Kind::kMissing:
        if (kinds.matches(path)) found.submissions.push_back(listed(name, cohort, {{path, name}}));
        break;
    }
  }
}

}  // namespace

bool SourceKinds::matches(const fs::path& path) const {
  const std::string extension = platform::name_of(path.extension());
  if (extension.size() < 2) return false;
  const std::string_view bare = std::string_view(extension).substr(1);
  return std::any_of(extensions.begin(), extensions.end(),
                     [bare](const std::string& wanted) { return equal_ignoring_ascii_case(bare, wanted); });
}

Discovered discover(const std::vector<std::string>& paths, Cohort cohort, const SourceKinds& kinds,
                    archive::Reader* archives) {
  Discovered found;
  for (const std::string& given : paths) {
    if (kind_of(platform::path_from_name(given)) == Kind::kMissing) {
      found.error = "路径不存在：" + given;
      return found;
    }
  }
  const bool class_folder = paths.size() == 1 || cohort == Cohort::kOld;
  for (const std::string& given : paths) {
    const fs::path path = platform::path_from_name(given);
    const Kind kind = kind_of(path);
    const bool folder = kind == Kind::kFolder || kind == Kind::kLinkToFolder;
    const bool an_archive = is_archive(path, kind, archives);
    if (folder && class_folder) {
      discover_class_folder(given, cohort, kinds, archives, found);
      if (!found.error.empty()) return found;
    } else if (an_archive && class_folder) {
      discover_archive_class(given, path, cohort, kinds, *archives, found);
      if (!found.error.empty()) return found;
    } else if (folder) {
      add_folder_submission(path, without_trailing_separators(given), cohort, kinds, found);
    } else if (an_archive) {
      add_archive_submission(path, given, cohort, kinds, *archives, found);
    } else {
      found.submissions.push_back(listed(given, cohort, {{path, given}}));
    }
  }
  return found;
}

Discovered discover_template(const std::string& given, const SourceKinds& kinds, archive::Reader* archives) {
  Discovered found;
  const fs::path path = platform::path_from_name(given);
  const Kind kind = kind_of(path);
  if (kind == Kind::kMissing) {
    found.error = "路径不存在：" + given;
  } else if (is_archive(path, kind, archives)) {
    if (!add_archive_submission(path, given, Cohort::kNew, kinds, *archives, found) && !found.skipped.empty()) {
      found.error = "无法读取模板代码：" + given + "（" + found.skipped.back().reason + "）";
    }
  } else if (kind == Kind::kFolder || kind == Kind::kLinkToFolder) {
    add_folder_submission(path, without_trailing_separators(given), Cohort::kNew, kinds, found);
  } else {
    found.submissions.push_back(listed(given, Cohort::kNew, {{path, given}}));
  }
  return found;
}

std::optional<Skipped> load(Submission& submission, const LexOptions& options, Keep keep) {
  std::vector<std::string> files;
  for (SourceFile& file : submission.files) {
    if (!file.unreadable.empty()) {
      submission.tokens.clear();
      submission.code_tokens.clear();
      submission.code_is_tokens = true;
      submission.length = 0;
      return Skipped{submission.name, file.name, file.unreadable};
    }
    if (file.contents != nullptr) {
      files.push_back(*file.contents);
      continue;
    }
    platform::FileBytes read = platform::read_file(file.path);
    if (read.failure) {
      submission.tokens.clear();
      submission.code_tokens.clear();
      submission.code_is_tokens = true;
      submission.length = 0;
      switch (*read.failure) {
        case platform::ReadFailure::kMissing:
          return Skipped{submission.name, file.name, "文件不存在"};
        case platform::ReadFailure::kNotRegular:
          return Skipped{submission.name, file.name, "不是普通文件"};
        case platform::ReadFailure::kUnreadable:
          return Skipped{submission.name, file.name, "无法读取"};
      }
    }
    if (keep == Keep::kSources) file.contents = std::make_shared<const std::string>(read.bytes);
    files.push_back(std::move(read.bytes));
  }
  lex_submission(submission, files, options);
  return std::nullopt;
}

}  // namespace codetwin::classrun
