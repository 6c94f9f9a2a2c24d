#include "common/printable_text.h"

namespace kub {

std::string printableText(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127) c = ' ';
    }
    return out;
}

}  // namespace kub
