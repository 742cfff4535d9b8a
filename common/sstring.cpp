#include "common/sstring.h"

namespace codetwin {

SString::SString(std::string_view text) { chars_.append(text); }

}  // namespace codetwin
