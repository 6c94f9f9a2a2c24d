// Today's three day logs reloaded into the tables at start-up.

#include <cstdint>

#include "common/clock.h"
#include "core/headless_window.h"
#include "fuzz_support.h"
#include "core/day_log_reload.h"
#include "storage/day_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string& folder = kubfuzz::programFolder();
    kub::ManualClock clock(1767225600.0 + 3600.0 * 10);
    const auto kind = static_cast<kub::LogKind>(data[0] % 3);
    kubfuzz::writeFile(kub::dayLogPath(folder, kind, clock.now()), data + 1, size - 1);
    kub::HeadlessWindow window;
    window.setRowLimit(500);
    kub::reloadDayLog(folder, kind, clock, window);
    // The next reception is appended to the same file.
    kub::appendDayLog(folder, kind, clock, "?\tx\t62341234\tStatus 3");
    kubfuzz::removeFile(kub::dayLogPath(folder, kind, clock.now()));
    return 0;
}
