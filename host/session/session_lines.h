// Writing session steps as lines that the session reader reads again to
// the same step: what the live page's recorder and the soak write. The
// canonical form a step carries (Step::source) is for the transcript and
// escapes bytes the reader does not take back (\xNN), so lines are made
// here from the step's values instead.
#ifndef VESK_HOST_SESSION_LINES_H
#define VESK_HOST_SESSION_LINES_H

#include <string>
#include <string_view>

#include "session/session_steps.h"

namespace vesk_host {

// One word of a session line: as it is when it is plain (no blank, quote,
// '#' or control byte, not empty, not a word the reader treats specially
// such as "null"), otherwise in double quotes with \" \\ \n \t escaped.
// Every other byte, UTF-8 or not, is written as it is.
std::string sessionWord(std::string_view text);

// The step as a line the reader reads back to the same step (devices by number).
std::string stepLine(const StepAction& action);

} // namespace vesk_host

#endif
