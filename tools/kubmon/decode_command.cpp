// kubmon decode: a recording through the block dispatch and all six decoders; each
// reception's export line goes to stdout, one per line.

#include <cstdio>

#include "capture/file_source.h"
#include "commands.h"
#include "common/headless_window.h"
#include "common/monitor_core.h"
#include "storage/vehicle_table.h"

namespace kubmon {

int decodeCommand(const Args& args) {
    std::string file;
    std::string folder;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--folder" && i + 1 < args.size()) {
            folder = args[++i];
        } else if (!args[i].empty() && args[i][0] == '-') {
            std::fprintf(stderr, "kubmon decode: unbekannte Option: %s\n", args[i].c_str());
            return 2;
        } else if (file.empty()) {
            file = args[i];
        } else {
            std::fprintf(stderr, "kubmon decode: nur eine Datei angeben\n");
            return 2;
        }
    }
    if (file.empty()) {
        std::fprintf(stderr, "Aufruf: kubmon decode [--folder ORDNER] DATEI\n");
        return 2;
    }

    kub::WallClock wall;
    kub::StreamClock clock(wall.nowSeconds());
    kub::HeadlessWindow window;
    window.setRecording(false);
    window.setRowLimit(10);
    window.onReceptionLine = [](const std::string& line) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
    kub::MonitorCore core(clock, window);
    core.context.programFolder = folder;
    core.context.reportWriteFailure = [](const std::string& message) {
        std::fprintf(stderr, "kubmon decode: %s\n", message.c_str());
    };
    if (!folder.empty()) {
        // As at program start: the sub-folders "Status" and "Logbuch", the vehicle table
        // with the status of every slot, the receivers and their assignments.
        if (!kub::createProgramFolders(folder))
            std::fprintf(stderr, "kubmon decode: Ordner \"Status\"/\"Logbuch\" in %s nicht anlegbar\n",
                         folder.c_str());
        if (!kub::loadVehicleTable(folder, core.context.vehicles))
            std::fprintf(stderr, "kubmon decode: %s nicht lesbar\n", kub::vehicleFilePath(folder).c_str());
        kub::loadStatusFiles(folder, core.context.vehicles);
        core.context.receivers.load(folder);
    }
    core.enableAll(true);

    kub::FileDecodeResult r = kub::feedAudioFile(file, core.dispatcher, &clock);
    if (!r.ok) {
        std::fprintf(stderr, "kubmon decode: %s\n", r.error.c_str());
        return 2;
    }
    return 0;
}

}  // namespace kubmon
