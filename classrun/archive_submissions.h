// Submissions found in archives: the archive side of discovery
// (submissions.h), for submissions.cpp.
#ifndef CODETWIN_CLASSRUN_ARCHIVE_SUBMISSIONS_H_
#define CODETWIN_CLASSRUN_ARCHIVE_SUBMISSIONS_H_

#include <filesystem>
#include <string>

#include "archive/archive.h"
#include "classrun/submissions.h"

namespace codetwin::classrun {

/// The archive at `path`, given as `given`, as a class: each entry (of its
/// one top-level folder, if that is all it holds) is a submission. When
/// nothing can be used of it, `found.error` says why.
void discover_archive_class(const std::string& given, const std::filesystem::path& path, Cohort cohort,
                            const SourceKinds& kinds, archive::Reader& archives, Discovered& found);

/// The archive at `path` as one submission named `name`: its source files
/// at any depth. False, with `found` told why, when it cannot be read or
/// holds no source file.
bool add_archive_submission(const std::filesystem::path& path, const std::string& name, Cohort cohort,
                            const SourceKinds& kinds, archive::Reader& archives, Discovered& found);

}  // namespace codetwin::classrun

#endif  // CODETWIN_CLASSRUN_ARCHIVE_SUBMISSIONS_H_
