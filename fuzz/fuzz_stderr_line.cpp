// Any bytes as a message for stderr: what comes out holds no control byte, a message with
// one is changed, and plain ASCII text comes out as it went in.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/stderr_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::string out = kub::escapedText(in);
    for (char c : out) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) std::abort();
    }
    bool control = false;
    bool plain = true;
    for (char c : in) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) control = true;
        if (b < 0x20 || b >= 0x7F) plain = false;
    }
    if (control && out == in) std::abort();
    if (plain && out != in) std::abort();
    // Shown once more, a shown text is what it is: nothing in it needs showing again.
    if (kub::escapedText(out) != out) std::abort();
    return 0;
}
