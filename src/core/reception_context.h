#pragma once
// What the reception handling of every decoder shares: the clock, the window, and the
// single instances of the shared data. Later pieces add their data here.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/time_text.h"
#include "common/decoder_options.h"
#include "common/page_change.h"
#include "core/reception_window.h"
#include "common/write_faults.h"
#include "core/action_output.h"
#include "core/day_log_output.h"
#include "core/export_line_output.h"
#include "core/export_lines.h"
#include "core/handling/same_page_merge.h"
#include "core/headless_window.h"
#include "core/incident_grouper.h"
#include "core/output_list.h"
#include "core/reception_output.h"
#include "core/site_reports.h"
#include "core/window_output.h"
#include "export/action_launcher.h"
#include "storage/receiver_list.h"
#include "storage/vehicle_table.h"

namespace kub {

struct ReceptionContext {
    ReceptionContext(Clock& c, ReceptionWindow& w)
        : clock(c),
          window(w),
          windowOutput(*this),
          dayLogOutput(*this),
          actionOutput(*this),
          exportLineOutput(*this),
          incidents(*this),
          own_{outputs.add(windowOutput), outputs.add(dayLogOutput), outputs.add(actionOutput),
               outputs.add(exportLineOutput), outputs.add(incidents)} {}
    // The headless window also records the export lines.
    ReceptionContext(Clock& c, HeadlessWindow& w) : ReceptionContext(c, static_cast<ReceptionWindow&>(w)) {
        exportLines = &w;
    }
    ReceptionContext(const ReceptionContext&) = delete;
    ReceptionContext& operator=(const ReceptionContext&) = delete;

    Clock& clock;
    ReceptionWindow& window;
    // Program folder holding the data files; empty when no files are to be touched.
    std::string programFolder;
    // Whether the status page should be written anew; the status page pass holds it too.
    PageChangeFlag pageChange;

    // Receivers ("ZVEI.txt") and the vehicles carrying them ("ZVEI_FMS_Zuord.txt").
    ReceiverLists receivers;
    // The vehicle table with its status (FMS lookups and status updates).
    VehicleTable vehicles;
    // Action program started per reception; empty path or no launcher: none.
    std::string actionProgram;
    ActionLauncher* launcher = nullptr;
    // The two exports of every reception's line (TCP and window message), and where
    // the lines go; none: nowhere.
    bool tcpExportOn = false;
    bool windowMessageExportOn = false;
    ExportLines* exportLines = nullptr;
    // Whether receptions of other receiver sites start the action program and go out as
    // export lines too. Off, two sites that listen to each other make no loop.
    bool remoteActionsOn = false;
    // What other receiver sites reported, asked before a reception heard here is
    // reported; none: no sites.
    SiteReports* siteReports = nullptr;
    // Our decoding improvements; the context starts with the classic decoders, the
    // settings switch the improvements on.
    DecoderOptions options;
    // Told when a data file could not be written; the reception is handled all the same.
    // Told once per fault, not with every reception that meets it.
    std::function<void(const std::string& message)> reportWriteFailure;
    // Told when every file that failed can be written again.
    std::function<void()> reportWriteRecovered;
    WriteFaults writeFaults;
    // The outputs every monitor has, in the order a reception reaches them: the window's
    // tables and alert lists, the day log, the action program, the export lines.
    WindowOutput windowOutput;
    DayLogOutput dayLogOutput;
    ActionOutput actionOutput;
    ExportLineOutput exportLineOutput;
    // Bundles the pages and codes of one alarm; its incident records come back through
    // handOn when their time is up ("Alarmierung.toml").
    IncidentGrouper incidents;
    // Every output a record is handed to, in this order: the five above, then whatever
    // the program adds (stdout, web board, MQTT, ...), each for as long as the handle
    // `addOutput` gave for it lives.
    OutputList outputs;
    [[nodiscard]] OutputRegistration addOutput(ReceptionOutput& output) { return outputs.add(output); }
    // Pages of SDR channels wait here for the same page from another channel.
    SamePageMerge samePages{[this](const ReceptionRecord& r) { handOn(r); }};

    // The handling's own clock work: pages that have waited for another channel, then
    // incidents whose time is up.
    void tick() {
        samePages.tick(clock.nowSeconds());
        incidents.tick();
    }
    // Everything held goes on now (the end of the input or of the program).
    void flush() {
        samePages.flush();
        incidents.flush();
    }

    // Something the status page shows has changed: it should be written anew. The status
    // page pass takes it (takePageChanged).
    void markPageChanged() { pageChange.markPageChanged(); }
    bool takePageChanged() { return pageChange.takePageChanged(); }

    // The radio frequency (Hz) of each channel an SDR stick feeds, by name; the sound
    // card's channels have none.
    std::map<std::string, std::int64_t, std::less<>> channelFrequencies;

    // A record of this moment on `channel`, for the handling to fill in.
    ReceptionRecord newRecord(RecordProtocol protocol, const std::string& channel) const {
        ReceptionRecord r;
        r.seconds = clock.nowSeconds();
        r.time = isoTimeText(r.seconds);
        r.channel = channel;
        if (const auto f = channelFrequencies.find(channel); f != channelFrequencies.end()) r.frequency = f->second;
        r.protocol = protocol;
        return r;
    }

    // True when a site already reported this reception heard here (see SiteReports).
    bool reportedBySite(const ReceptionRecord& local) { return siteReports && siteReports->heardElsewhere(local); }

    void handOn(const ReceptionRecord& record) {
        outputs.deliver(record);
    }

    // The outcome of a write of a data file of family `kind`, for the two reports above.
    void noteWrite(const std::string& kind, bool ok, const std::string& message) {
        const auto news = writeFaults.written(kind, ok, message);
        if (!news) return;
        if (news->recovered) {
            if (reportWriteRecovered) reportWriteRecovered();
        } else if (reportWriteFailure) {
            reportWriteFailure(news->message);
        }
    }

private:
    // The five outputs every monitor has, on the list for the context's whole life.
    OutputRegistration own_[5];
};

}  // namespace kub
