#pragma once
// The words an FMS telegram's coded fields stand for in the reception list. Texts are
// UTF-8; the organisation and state names are padded to their fixed widths in characters.

#include <string>

namespace kub {

// 32 characters, padded with blanks; the argument is one hexadecimal digit "0".."F".
std::string organisationName(const std::string& hexDigit);
// 16 characters, padded with blanks.
std::string stateName(const std::string& hexDigit);
// The number for direction 0, the letter for direction 1 ("Quittung" for 15).
std::string statusText(int status, int direction);
// "Fzg->Lst" for 0, "Lst->Fzg" for 1.
std::string directionText(int direction);

}  // namespace kub
