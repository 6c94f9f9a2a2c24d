// kubmon page --folder DIR: writes "status.html" for a program folder from its vehicle
// table, its settings and today's ZVEI and POCSAG logs, as the window's button does.

#include <cstdio>

#include "commands.h"
#include "common/command_options.h"
#include "core/headless_window.h"
#include "core/day_log_reload.h"
#include "storage/day_log.h"
#include "storage/settings.h"
#include "storage/vehicle_table.h"
#include "usage.h"
#include "web/status_page_input.h"

namespace kubmon {

namespace {
std::vector<std::string> newestRows(const kub::HeadlessWindow& w, kub::ReceptionTable t) {
    std::vector<std::string> rows;
    for (const auto& r : w.rows(t)) {
        if (rows.size() == 10) break;
        rows.push_back(r.text);
    }
    return rows;
}
}  // namespace

int pageCommand(const Args& args) {
    if (wantsHelp(args)) return printHelp(kPageUsage);
    std::string folder;
    std::vector<std::string> words;
    const auto refused = kub::CommandOptions().text("--folder", folder).words(words).parse(args);
    if (refused && refused->kind == kub::CommandOptions::Refusal::Kind::Unknown)
        return refuse("page", "unbekannte Option: " + refused->text, kPageUsage);
    if (refused || folder.empty() || !words.empty()) return refuse("page", "--folder ORDNER fehlt", kPageUsage);
    const kub::Settings settings = kub::loadSettings(folder);
    kub::VehicleTable table;
    table.applyLayout(settings.layout);
    if (!kub::loadVehicleTable(folder, table)) {
        std::fprintf(stderr, "kubmon page: \"Fzg.txt\" kann nicht gelesen werden\n");
    }
    kub::loadStatusFiles(folder, table);
    kub::WallClock clock;
    kub::HeadlessWindow window;
    kub::reloadZveiLog(folder, clock, window);
    kub::reloadPocLog(folder, clock, window);
    const auto input = kub::statusPageInput(table, settings, newestRows(window, kub::ReceptionTable::Zvei),
                                            newestRows(window, kub::ReceptionTable::Pocsag));
    if (!kub::writeStatusPage(folder, input, clock.now())) {
        std::fprintf(stderr, "kubmon page: \"status.html\" kann nicht geschrieben werden\n");
        return 1;
    }
    return 0;
}

}  // namespace kubmon
