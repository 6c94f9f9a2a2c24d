#pragma once
// Receptions of other receiver sites enter this monitor as if heard here: the table row
// (with the site beside it), the day log, the alert lists, the vehicle's status on the
// board and in its status file. Row, export line and names are built here from the
// record's checked fields, with our vehicle table and receiver names. The same
// transmission heard by two sites, or here and by another site, within 3 seconds counts
// once, whichever came first; ZVEI codes and RICs keep their 20-second repeat rule
// across sites. The row then names every place it was heard. The action program and the
// exports run for other sites' receptions only when so set, so that two sites listening
// to each other make no loop. A site's FMS status older than the one the vehicle has
// does not go onto the board.
//
// It is also an output: it notes what is heard here, to merge it with what other sites
// report of the same transmission.

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "core/reception_context.h"
#include "core/reception_output.h"
#include "core/site_reports.h"

namespace kub {

class RemoteReception final : public ReceptionOutput, public SiteReports {
public:
    // `ownSite` names this monitor among the sources of a row.
    RemoteReception(ReceptionContext& context, bool runActions, std::string ownSite = "hier")
        : context_(context), runActions_(runActions), ownSite_(std::move(ownSite)) {}

    // A record of another site (its `site` set); false when it was merged with one
    // already shown (a duplicate or a repeat).
    bool take(const ReceptionRecord& record);

    // Receptions heard here.
    void deliver(const ReceptionRecord& record) override;
    bool heardElsewhere(const ReceptionRecord& local) override;

    static constexpr double kSameTransmissionSeconds = 3;
    static constexpr double kRepeatSeconds = 20;

private:
    struct Seen {
        std::string key;
        double seconds;
        double arrived;
        bool fromSite;
        RecordProtocol protocol;
        std::string row;  // as shown
        std::vector<std::string> sites;
    };
    // The shown reception `record` is the same transmission as, or nullptr.
    Seen* shownBefore(const ReceptionRecord& record, bool fromSiteOnly);
    void remember(const ReceptionRecord& shown, bool fromSite, std::vector<std::string> sites);
    // One more place heard it: the shown row names it.
    void addSource(Seen& seen, const std::string& site);

    // The FMS record as this monitor's board sees it: slot, stored status, row.
    void prepareFms(ReceptionRecord& r);
    // Whether a vehicle's status of `seconds` is older than the one it has.
    bool olderThanStored(int slot, double seconds) const;

    ReceptionContext& context_;
    bool runActions_;
    std::string ownSite_;
    std::deque<Seen> seen_;
    // When each slot's status was last set while running (slot → seconds).
    std::map<int, double> statusSeconds_;
};

// What makes two records one transmission: protocol and content, not site or time.
std::string transmissionKey(const ReceptionRecord& record);

}  // namespace kub
