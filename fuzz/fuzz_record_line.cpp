// A line of saved records (`kubmon decode --json`) as "kubmon regeln erklaeren" reads it:
// any bytes end in a record or a reason, never a crash.

#include <cstdint>
#include <string>
#include <string_view>

#include "alarm/record_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const auto r = kub::recordFromJsonLine(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (!r && error.empty()) std::abort();
    return 0;
}
