#pragma once
// Lines for stderr. What they carry may come from outside (a file name, a pager text, a
// site's payload): a control byte would move the cursor or ring the bell of the terminal
// reading it, a NUL would end the line early, a newline would forge a line of its own.
// Such bytes are shown as \xNN; UTF-8 (our German texts) passes as it is.

#include <string>
#include <string_view>

namespace kub {

// Control bytes (0-31, 127) and bytes that are no part of valid UTF-8 as \xNN.
std::string escapedText(std::string_view text);

// "PREFIX: MESSAGE\n" (no prefix: "MESSAGE\n") on stderr, the message made printable,
// written at once.
void writeStderrLine(std::string_view prefix, std::string_view message);

}  // namespace kub
