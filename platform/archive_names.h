// The names of archive entries as libarchive gives them on this system.
//
// libarchive converts a name whose charset the archive declares (a zip
// entry's UTF-8 flag or Unicode path field, a 7z name in UTF-16, a pax
// name in UTF-8) to "the current charset", and keeps any other name's bytes
// as they are, or converts them from a charset it was told to use. What
// "current" is, and in which form a name is best taken, differ between the
// C libraries: ArchiveNameScope sets what entry_name() expects while
// archives are read, and entry_name() takes each name in that form.
#ifndef CODETWIN_PLATFORM_ARCHIVE_NAMES_H_
#define CODETWIN_PLATFORM_ARCHIVE_NAMES_H_

#include <string>

struct archive_entry;

namespace codetwin::platform {

/// While alive, archives created and read on this thread convert declared
/// names to UTF-8 and leave undeclared ones as their bytes: on POSIX the
/// thread's locale is a UTF-8 one (C.UTF-8) for the time; on Windows the C
/// runtime's character type is "C", whose code page libarchive passes bytes
/// through (so a Western Windows does not read them as its OEM code page).
class ArchiveNameScope {
 public:
  ArchiveNameScope();
  ~ArchiveNameScope();
  ArchiveNameScope(const ArchiveNameScope&) = delete;
  ArchiveNameScope& operator=(const ArchiveNameScope&) = delete;

 private:
  void* saved_ = nullptr;  // what to restore: a locale_t, or the C runtime's locale name
};

/// An entry's name, read in an ArchiveNameScope.
struct EntryName {
  std::string bytes;
  /// The bytes are UTF-8 that libarchive converted (a declared charset, or
  /// the one given); otherwise they are the archive's own, charset unknown.
  bool decoded = false;
};

/// The name of `entry`; `charset_given` says that libarchive was told the
/// charset of undeclared names, so that every name it gives is converted.
/// Empty bytes when the entry has no name.
EntryName entry_name(archive_entry* entry, bool charset_given);

}  // namespace codetwin::platform

#endif  // CODETWIN_PLATFORM_ARCHIVE_NAMES_H_
