#pragma once
// Windows-1252, the 8-bit text of our data files and of FMS text telegrams, to and from
// the UTF-8 used inside the program.

#include <string>
#include <string_view>

namespace kub {

std::string cp1252ToUtf8(std::string_view bytes);
// Characters that Windows-1252 cannot hold become '?'.
std::string utf8ToCp1252(std::string_view text);

}  // namespace kub
