#include "status_times_command.h"

#include <optional>

#include "common/clock.h"
#include "common/program_folder.h"
#include "history/history_dates.h"
#include "history/status_times_report.h"
#include "history/status_times_text.h"
#include "storage/receiver_list.h"

namespace kubmon {

namespace {

constexpr const char* kPrefix = "kubmon verlauf: ";

}  // namespace

int runStatusTimesCommand(const std::vector<std::string>& args, kub::HistorySource& source, std::ostream& out,
                          std::ostream& err) {
    std::string kennung, folder, von, bis;
    bool json = false, csv = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--statuszeiten") continue;  // how the caller came here
        if (a == "--json") {
            json = true;
        } else if (a == "--csv") {
            csv = true;
        } else if ((a == "--kennung" || a == "--von" || a == "--bis" || a == "--folder" || a == "--verlauf") &&
                   hasValue) {
            const std::string& v = args[++i];
            if (a == "--kennung") kennung = v;
            if (a == "--von") von = v;
            if (a == "--bis") bis = v;
            if (a == "--folder") folder = v;
            // --verlauf names the store, which the caller has opened already.
        } else {
            err << kPrefix << "unbekannte oder unvollständige Angabe \"" << a
                << "\" (--statuszeiten [--kennung K] [--von DATUM] [--bis DATUM] [--json|--csv])\n";
            return 2;
        }
    }
    if (json && csv) {
        err << kPrefix << "--json und --csv schließen einander aus\n";
        return 2;
    }
    std::optional<double> from, to;
    for (auto [text, date] : {std::pair{&von, &from}, std::pair{&bis, &to}}) {
        if (text->empty()) continue;
        *date = kub::parseSearchDate(*text, date == &to).seconds;
        if (!*date) {
            err << kPrefix << "\"" << *text << "\" ist kein gültiges Datum (TT.MM.JJJJ oder JJJJ-MM-TT)\n";
            return 2;
        }
    }
    const kub::WallClock clock;
    const double now = clock.nowSeconds();
    // No end: to the end of today. No start: the start of the end's day (a day, by default today).
    const double end = to ? *to : kub::nextDayStart(now);
    const double start = from ? *from : kub::dayStart(end - 1);
    if (end <= start) {
        err << kPrefix << "--bis liegt vor --von\n";
        return 2;
    }
    if (folder.empty()) folder = kub::defaultProgramFolder();
    const std::vector<kub::AssignmentRecord> assignments = kub::loadAssignments(folder);
    const kub::StatusTimesReport report = kub::gatherStatusTimes(source, kennung, start, end, assignments, now);
    if (!report.error.empty()) {
        err << kPrefix << report.error << "\n";
        return 1;
    }
    if (json) {
        out << kub::statusTimesJson(report, false) << "\n";
    } else if (csv) {
        out << kub::statusTimesCsv(report);
    } else {
        out << kub::statusTimesTable(report);
    }
    return out.good() ? 0 : 1;
}

}  // namespace kubmon
