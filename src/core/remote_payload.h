#pragma once
// A reception another receiver site published (the JSON object of recordJson), read back
// into a record. Anything else — another program's JSON, a field of the wrong type, a
// Kennung that is no Kennung, a text longer than any radio sends — is refused with the
// reason, so that nothing another site sends can reach the tables unchecked. Texts come
// back without control characters; the site's export line is never taken.

#include <optional>
#include <string>
#include <string_view>

#include "core/reception_record.h"

namespace kub {

struct RemoteParse {
    std::optional<ReceptionRecord> record;
    std::string error;  // German, when there is no record
};

// `site` goes into the record. The seconds come from its time with offset.
RemoteParse parseRemoteRecord(std::string_view payload, const std::string& site);

// "2026-12-08T13:05:07+01:00" (or "…Z") as epoch seconds; nullopt when it is not that,
// or not a day of the calendar, or a second 60.
std::optional<double> parseIsoTime(std::string_view text);

// Why a record of this time is not taken at `nowSeconds` (German), empty when it is
// taken: older than 10 minutes is no longer news (a retained message from long ago, a
// site's clock gone wrong), more than 1 minute ahead cannot have been received yet.
std::string remoteTimeRefusal(double recordSeconds, double nowSeconds);

}  // namespace kub
