// What another receiver site publishes, as this monitor reads it and takes it into its
// tables and board: any payload, a record read from it must read back the same after
// being written as JSON again, and taking it in must hold.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/clock.h"
#include "core/headless_window.h"
#include "core/record_json.h"
#include "core/reception_context.h"
#include "core/remote_payload.h"
#include "core/remote_reception.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string payload(reinterpret_cast<const char*>(data), size);
    const kub::RemoteParse parsed = kub::parseRemoteRecord(payload, "kreis/wache2");
    if (!parsed.record) {
        if (parsed.error.empty()) std::abort();
        return 0;
    }
    const std::string again = kub::recordJson(*parsed.record);
    const kub::RemoteParse second = kub::parseRemoteRecord(again, "kreis/wache2");
    if (!second.record || kub::recordJson(*second.record) != again) std::abort();

    static kub::ManualClock clock(1796738707);
    static kub::HeadlessWindow window;
    static kub::ReceptionContext context(clock, window);
    static kub::RemoteReception remote(context, true);
    clock.advance(1);
    remote.take(*parsed.record);
    return 0;
}
