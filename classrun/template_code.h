// Template code: what the teacher handed out, taken out of every
// submission before pairing.
//
// The submission's token string is tiled against the template's with the
// same tiling as a pair (the submission as A). Each tile's characters become
// spaces, which stop runs exactly as a tile does, and no longer count in the
// submission's length. A submission that is only the template is left with
// nothing to score.
#ifndef CODETWIN_CLASSRUN_TEMPLATE_CODE_H_
#define CODETWIN_CLASSRUN_TEMPLATE_CODE_H_

#include <string_view>

#include "classrun/classrun.h"

namespace codetwin::classrun {

/// Blanks out of `submission.tokens` what tiling against `template_tokens`
/// covers, and sets `submission.length` to what is left.
void remove_template(std::string_view template_tokens, Submission& submission);

}  // namespace codetwin::classrun

#endif  // CODETWIN_CLASSRUN_TEMPLATE_CODE_H_
