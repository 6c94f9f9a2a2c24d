#pragma once
// Texts that come from the air or from other sites end up in TAB-separated rows, line-
// based day logs, export lines, HTML and JSON. A control byte in them (a TAB, CR or LF,
// NUL, BEL, ESC…) would split a row or a log line, or forge one; it becomes a blank.
// Everything else, umlauts and other UTF-8 included, stays as it was.

#include <string>
#include <string_view>

namespace kub {

// Bytes 0–31 and 127 as a blank.
std::string printableText(std::string_view text);

}  // namespace kub
