#pragma once
// The pages and codes of one alarm become one incident record. A fire brigade is alerted
// by tone-only pages to its units' RICs and one text page, or by the same text to several
// RICs, often sent again by a second transmitter; a ZVEI network calls several codes in a
// row. Each of them is still a reception of its own; after them comes one record that
// lists every unit.
//
// An incident stays open for its window after its first page (`fenster_s`), as long
// again as pages keep coming within `nachlauf_s` of each other, never longer than a
// minute. `tick` hands on the incidents whose time is up; it is called after every audio
// block and from a timer, so an incident is out within a second of its window closing.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/reception_output.h"
#include "core/text_fields.h"
#include "storage/alarm_settings.h"

namespace kub {

struct ReceptionContext;

class IncidentGrouper final : public ReceptionOutput {
public:
    explicit IncidentGrouper(ReceptionContext& context) : context_(context) {}

    // Bounds: a network paging hundreds of RICs within a minute still makes whole
    // incidents; past these an incident is handed on early, never dropped.
    static constexpr std::size_t kMostUnits = 500;
    static constexpr std::size_t kMostOpen = 32;
    static constexpr std::size_t kMostOpenBytes = 1 << 20;

    void configure(const AlarmSettings& settings);
    const AlarmSettings& settings() const { return settings_; }

    // POCSAG pages and ZVEI codes join an incident; everything else passes by.
    void deliver(const ReceptionRecord& record) override;
    // Hands on every incident whose window has closed by now.
    void tick();
    // Hands on every open incident (end of a recording, end of the program).
    void flush();

    std::size_t openCount() const { return open_.size(); }

private:
    struct Open {
        ReceptionRecord record;
        bool zvei = false;
        std::string textKey;  // the text as compared: blanks collapsed
        double firstSeen = 0;
        double lastSeen = 0;
        bool full = false;  // no more units: the next page starts a new incident
        std::size_t bytes = 0;
    };
    bool closed(const Open& o, double now) const;
    Open* joinable(const ReceptionRecord& r, const std::string& key, double now);
    void join(Open& o, const ReceptionRecord& r, double now);
    void handOnFirst(bool all);
    ReceptionRecord finished(Open o) const;

    ReceptionContext& context_;
    AlarmSettings settings_;
    TextFields fields_;
    std::vector<Open> open_;  // in the order of their first page
    std::size_t openBytes_ = 0;
    std::uint64_t nextId_ = 1;
    bool handingOn_ = false;
};

// The value of its field "stichwort"; empty without one.
std::string incidentKeyword(const ReceptionRecord& incident);
// "1234567,1234568,25431": the units' RICs and codes.
std::string incidentUnitIds(const ReceptionRecord& incident);

// The incident's day-log row: time of the first page, keyword, units, text (TABs in them
// become blanks). A test alarm and an encrypted text are marked before the text.
std::string incidentRow(const ReceptionRecord& incident);

}  // namespace kub
