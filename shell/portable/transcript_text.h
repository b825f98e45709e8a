// How texts appear in the transcript: every event stays on one line whatever the plug-in wrote.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

// "text" with backslash, quote, \n \r \t and \xNN (other bytes below 0x20) escaped.
std::string Quote(std::string_view text);

// Quote(), or an unquoted 0 for a null pointer so "" and nothing stay apart.
std::string QuoteOrNull(const char *text);

// Only the control characters escaped: for lines the test plug-ins write as they are.
std::string EscapeControls(std::string_view text);

}  // namespace corvane
