// Template code: what the teacher handed out, taken out of every
// submission before pairing.
//
// The submission's token string is tiled against the template's with the
// same tiling as a pair (the submission as A). Each tile's characters become
// spaces, which stop runs exactly as a tile does, and no longer count in the
// submission's length. A submission that is only the template is left with
// nothing to score. The verdict's code (comments left out) is blanked the
// same way against the template's code.
#ifndef CODETWIN_CLASSRUN_TEMPLATE_CODE_H_
#define CODETWIN_CLASSRUN_TEMPLATE_CODE_H_

#include <string>
#include <string_view>

#include "classrun/classrun.h"

namespace codetwin::classrun {

/// Blanks out of `tokens` what tiling against `template_tokens` covers;
/// returns how many characters it blanked.
std::int64_t blank_template(std::string_view template_tokens, std::string& tokens);

/// Blanks the template out of `submission`'s token string and code, and
/// sets its length to what is left of its token string.
void remove_template(const Submission& template_code, Submission& submission);

}  // namespace codetwin::classrun

#endif  // CODETWIN_CLASSRUN_TEMPLATE_CODE_H_
