// kubmon decode: a recording (or raw PCM on stdin) through the block dispatch and the
// decoders; each reception's export line goes to stdout, one per line, or with --json
// each reception as a JSON object.

#include <unistd.h>

#include <cstdio>

#include "capture/file_source.h"
#include "capture/pipe_reader.h"
#include "commands.h"
#include "core/headless_window.h"
#include "core/monitor_core.h"
#include "platform/export_bindings.h"
#include "platform/qt_event_pause.h"
#include "storage/alarm_settings.h"
#include "storage/settings.h"
#include "raw_input_options.h"
#include "stdout_output.h"
#include "storage/vehicle_table.h"

#include <QCoreApplication>
#include <functional>
#include <memory>

namespace kubmon {

namespace {

constexpr int kConnectWaitMs = 5000;

}  // namespace

int decodeCommand(const Args& args) {
    std::string file;
    std::string folder;
    bool classic = false;
    bool json = false;
    RawInputOptions raw;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (raw.take(args, i)) continue;
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--folder" && i + 1 < args.size()) {
            folder = args[++i];
        } else if (args[i] == "--klassisch") {
            classic = true;
        } else if (args[i].size() > 1 && args[i][0] == '-') {
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
        std::fprintf(stderr, "Aufruf: kubmon decode [--folder ORDNER] [--klassisch] [--json] DATEI\n"
                             "       kubmon decode [...] - --rate HZ [--channels 1|2]\n");
        return 2;
    }
    const bool fromStdin = file == "-";
    kub::RawPcmFormat rawFormat;
    if (const std::string wrong = raw.format(fromStdin, rawFormat); !wrong.empty()) {
        std::fprintf(stderr, "kubmon decode: %s\n", wrong.c_str());
        return 2;
    }

    kub::WallClock wall;
    kub::StreamClock clock(wall.nowSeconds());
    kub::HeadlessWindow window;
    window.setRecording(false);
    window.setRowLimit(10);
    StdoutOutput out(json);
    kub::MonitorCore core(clock, window);
    core.context.outputs.push_back(&out);
    core.context.programFolder = folder;
    core.context.reportWriteFailure = [](const std::string& message) {
        std::fprintf(stderr, "kubmon decode: %s\n", message.c_str());
    };

    // With a program folder the exports of its "Mon.ini" run as in the window: action
    // program, TCP export, local message export.
    int qtArgc = 1;
    char qtName[] = "kubmon";
    char* qtArgv[] = {qtName, nullptr};
    std::unique_ptr<QCoreApplication> app;
    kub::Settings settings = kub::defaultSettings();
    kub::QtEventPause pause;
    std::unique_ptr<kub::ExportBindings> exports;
    if (!folder.empty()) {
        app = std::make_unique<QCoreApplication>(qtArgc, qtArgv);
        std::vector<std::string> remarks;
        settings = kub::loadSettings(folder, &remarks);
        for (const auto& r : remarks) std::fprintf(stderr, "kubmon decode: %s\n", r.c_str());
        exports = std::make_unique<kub::ExportBindings>(settings, pause);
        exports->applyTo(core.context);
        exports->onDropping = [](const std::string& m) { std::fprintf(stderr, "kubmon decode: %s\n", m.c_str()); };
        exports->startUp();
        // A file decodes faster than a connection is made: wait for it before the first
        // line, or the first receptions would be dropped.
        if (settings.tcpExport == 1 && !exports->waitUntilConnected(kConnectWaitMs)) {
            std::fprintf(stderr, "kubmon decode: keine Verbindung zu %s:%d, TCP-Zeilen gehen verloren\n",
                         settings.tcpServer.c_str(), static_cast<int>(settings.tcpPort));
        }
    }
    if (!folder.empty()) {
        // As at program start: the sub-folders "Status" and "Logbuch", the vehicle table
        // in the board layout with the status of every slot, the receivers and their
        // assignments.
        core.context.vehicles.applyLayout(settings.layoutCode);
        if (!kub::createProgramFolders(folder))
            std::fprintf(stderr, "kubmon decode: Ordner \"Status\"/\"Logbuch\" in %s nicht anlegbar\n",
                         folder.c_str());
        if (!kub::loadVehicleTable(folder, core.context.vehicles))
            std::fprintf(stderr, "kubmon decode: %s nicht lesbar\n", kub::vehicleFilePath(folder).c_str());
        kub::loadStatusFiles(folder, core.context.vehicles);
        core.context.receivers.load(folder);
        std::vector<std::string> remarks;
        core.context.incidents.configure(kub::loadAlarmSettings(folder, remarks));
        for (const auto& r : remarks) std::fprintf(stderr, "kubmon decode: %s\n", r.c_str());
    }
    // Without a folder every decoder listens; with one, exactly those its "Mon.ini"
    // switches on, as the window would (a folder without "Mon.ini" decodes nothing).
    // Our decoding improvements follow the folder's settings, else they are on;
    // --klassisch turns them all off.
    if (folder.empty()) {
        core.enableAll(true);
        core.context.options = kub::DecoderOptions::allOn();
    } else {
        core.applyDecoderSwitches(settings);
    }
    if (classic) core.context.options = kub::DecoderOptions::classic();

    // The exports send and start from the event loop: it runs between the blocks.
    std::function<void()> afterBlock;
    if (app) afterBlock = [] { QCoreApplication::processEvents(); };
    kub::FileDecodeResult r;
    if (fromStdin) {
        kub::PipeReader pipe(STDIN_FILENO, rawFormat);
        r = kub::feedStereoSource(pipe, core.dispatcher, &clock, afterBlock);
    } else {
        r = kub::feedAudioFile(file, core.dispatcher, &clock, afterBlock);
    }
    // The end of the file closes every incident still open.
    core.context.incidents.flush();
    if (exports) exports->shutdown();
    if (!r.ok) {
        std::fprintf(stderr, "kubmon decode: %s\n", r.error.c_str());
        return 2;
    }
    return 0;
}

}  // namespace kubmon
