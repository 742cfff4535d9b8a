// Entry names on Windows: libarchive keeps a declared name (and every name
// when told the charset) as wide characters, and an undeclared one as its
// bytes, which in the "C" locale it widens one byte to one character. So a
// character above U+00FF can only come from a conversion; a name whose
// characters are all at most U+00FF is taken as the bytes they stand for
// (a declared name of Latin-1 letters alone is then read by the rules for
// undeclared names: as UTF-8 if valid, else as GBK).
#include <archive_entry.h>

#include <clocale>
#include <cwchar>
#include <string>

#include "common/utf8.h"
#include "platform/archive_names.h"

namespace codetwin::platform {

ArchiveNameScope::ArchiveNameScope() {
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  saved_ = new std::string(current == nullptr ? "C" : current);
  std::setlocale(LC_CTYPE, "C");
}

ArchiveNameScope::~ArchiveNameScope() {
  auto* name = static_cast<std::string*>(saved_);
  std::setlocale(LC_CTYPE, name->c_str());
  delete name;
}

namespace {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf8_of(const wchar_t* wide) {
  std::string out;
  for (const wchar_t* p = wide; *p != 0; ++p) {
    char32_t code = static_cast<char16_t>(*p);
    if (code >= 0xD800 && code <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<char16_t>(p[1]) - 0xDC00);
      ++p;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    append_utf8(code, out);
  }
  return out;
}

}  // namespace

EntryName entry_name(archive_entry* entry, bool charset_given) {
  const wchar_t* wide = archive_entry_pathname_w(entry);
  if (wide == nullptr) {
    const char* bytes = archive_entry_pathname(entry);
    return EntryName{bytes == nullptr ? std::string() : std::string(bytes), false};
  }
  bool beyond_a_byte = false;
  std::string bytes;
  for (const wchar_t* p = wide; *p != 0; ++p) {
    if (static_cast<unsigned>(*p) > 0xFF) beyond_a_byte = true;
    bytes += static_cast<char>(static_cast<unsigned char>(*p));
  }
  if (charset_given || beyond_a_byte) return EntryName{utf8_of(wide), true};
  return EntryName{bytes, false};
}

}  // namespace codetwin::platform
