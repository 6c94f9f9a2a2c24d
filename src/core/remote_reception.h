#pragma once
// Receptions of other receiver sites enter this monitor as if heard here: the table row
// (with the site beside it), the day log, the alert lists, the vehicle's status on the
// board and in its status file. The same transmission heard by two sites, or here and by
// another site, within 3 seconds counts once; ZVEI codes and RICs keep their 20-second
// repeat rule across sites. The action program and the exports run for them only when
// so set, so that two sites listening to each other make no loop.
//
// It is also an output: it notes what is heard here, to merge it with what other sites
// report of the same transmission.

#include <deque>
#include <string>

#include "core/reception_context.h"
#include "core/reception_output.h"

namespace kub {

class RemoteReception final : public ReceptionOutput {
public:
    RemoteReception(ReceptionContext& context, bool runActions) : context_(context), runActions_(runActions) {}

    // A record of another site (its `site` set); false when it was merged with one
    // already shown (a duplicate or a repeat).
    bool take(const ReceptionRecord& record);

    // Receptions heard here.
    void deliver(const ReceptionRecord& record) override;

    static constexpr double kSameTransmissionSeconds = 3;
    static constexpr double kRepeatSeconds = 20;

private:
    struct Seen {
        std::string key;
        double seconds;
        double arrived;
    };
    bool seenBefore(const std::string& key, double seconds, double window) const;
    void remember(const std::string& key, double seconds);

    // The FMS record as this monitor's board sees it: slot, stored status, row.
    void prepareFms(ReceptionRecord& r);

    ReceptionContext& context_;
    bool runActions_;
    std::deque<Seen> seen_;
};

// What makes two records one transmission: protocol and content, not site or time.
std::string transmissionKey(const ReceptionRecord& record);

}  // namespace kub
