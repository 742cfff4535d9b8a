// Entry names on POSIX: libarchive converts declared names to the charset
// of the thread's locale (nl_langinfo), so a UTF-8 locale is put on the
// reading thread alone; undeclared names keep their bytes, which
// archive_entry_pathname() gives as they are.
#include <archive_entry.h>
#include <locale.h>

#include <utility>

#include "platform/archive_names.h"

namespace codetwin::platform {

ArchiveNameScope::ArchiveNameScope() {
  // C.UTF-8 is in every glibc since 2.35 and in Debian's before; without
  // it, declared names come out as '?' where the locale's charset lacks them.
  locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  if (utf8 == static_cast<locale_t>(0)) return;
  const locale_t previous = uselocale(utf8);
  saved_ = new std::pair<locale_t, locale_t>(previous, utf8);
}

ArchiveNameScope::~ArchiveNameScope() {
  auto* locales = static_cast<std::pair<locale_t, locale_t>*>(saved_);
  if (locales == nullptr) return;
  uselocale(locales->first);
  freelocale(locales->second);
  delete locales;
}

EntryName entry_name(archive_entry* entry, bool charset_given) {
  const char* name = archive_entry_pathname(entry);
  return EntryName{name == nullptr ? std::string() : std::string(name), charset_given};
}

}  // namespace codetwin::platform
