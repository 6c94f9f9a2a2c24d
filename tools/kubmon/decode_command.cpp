// kubmon decode: a recording (or raw PCM on stdin) through the block dispatch and the
// decoders; each reception's export line goes to stdout, one per line, or with --json
// each reception as a JSON object.

#include <unistd.h>

#include <cstdio>

#include "capture/file_source.h"
#include "capture/pipe_reader.h"
#include "commands.h"
#include "common/stderr_line.h"
#include "core/headless_window.h"
#include "core/monitor_core.h"
#include "core/two_thread_feed.h"
#include "folder_exports.h"
#include "storage/alarm_settings.h"
#include "storage/settings.h"
#include "raw_input_options.h"
#include "sdr_file_input.h"
#include "stdout_output.h"
#include "storage/text_file.h"
#include "usage.h"
#include "storage/vehicle_table.h"

#include <functional>
#include <memory>
#include <thread>

namespace kubmon {

namespace {

void say(const std::string& line) { kub::writeStderrLine("kubmon decode", line); }

}  // namespace

int decodeCommand(const Args& args) {
    if (wantsHelp(args)) return printHelp(kDecodeUsage);
    std::string folder;
    bool classic = false;
    bool oneCore = false;
    bool json = false;
    RawInputOptions raw;
    std::vector<std::string> files;
    kub::CommandOptions options;
    options.flag("--json", json)
        .flag("--klassisch", classic)
        .flag("--ein-kern", oneCore)
        .text("--folder", folder)
        .words(files);
    raw.addTo(options);
    kub::SdrOptionReader sdrReader;
    sdrReader.addTo(options);
    if (const auto refused = options.parse(args))
        return refuse("decode", refused->kind == kub::CommandOptions::Refusal::Kind::BadValue ? refused->text
                                                                                            : "unbekannte Option: " + refused->text,
                      kDecodeUsage);
    kub::SdrOptions sdr;
    if (sdrReader.wanted()) {
        if (const std::string wrong = sdrReader.finish(folder, sdr); !wrong.empty()) {
            for (std::size_t at = 0; at <= wrong.size();) {
                const std::size_t end = std::min(wrong.find('\n', at), wrong.size());
                say(wrong.substr(at, end - at));
                at = end + 1;
            }
            return 2;
        }
        files.push_back(sdr.source);
    }
    if (files.empty()) return refuse("decode", "keine Datei angegeben", kDecodeUsage);
    if (files.size() > 1) {
        say("nur eine Datei angeben");
        return 2;
    }
    const std::string file = files.front();
    const bool fromStdin = file == "-";
    kub::RawPcmFormat rawFormat;
    if (const std::string wrong = sdrReader.wanted() ? "" : raw.format(fromStdin, rawFormat); !wrong.empty()) {
        say(wrong);
        return 2;
    }
    if (const std::string problem = fromStdin && !sdrReader.wanted() ? kub::pipeInputProblem(STDIN_FILENO) : "";
        !problem.empty()) {
        say(problem);
        return 2;
    }

    kub::WallClock wall;
    kub::StreamClock clock(wall.nowSeconds());
    kub::HeadlessWindow window;
    window.setRecording(false);
    window.setRowLimit(10);
    StdoutOutput out(json);
    kub::MonitorCore core(clock, window);
    const kub::OutputRegistration printed = core.context.addOutput(out);
    core.context.programFolder = folder;
    core.context.reportWriteFailure = [](const std::string& message) { say(message); };

    // With a program folder the exports of its "Mon.ini" run as in the window: action
    // program, TCP export, local message export.
    kub::Settings settings = kub::defaultSettings();
    std::unique_ptr<FolderExports> exports;
    if (!folder.empty()) {
        exports = startFolderExports(folder, settings, core.context, say);
        if (!exports) return 2;
    }
    if (!folder.empty()) {
        // As at program start: the sub-folders "Status" and "Logbuch", the vehicle table
        // in the board layout with the status of every slot, the receivers and their
        // assignments.
        core.context.vehicles.applyLayout(settings.layout);
        if (!kub::createProgramFolders(folder))
            say("Ordner \"Status\"/\"Logbuch\" in " + folder + " nicht anlegbar");
        if (!kub::loadVehicleTable(folder, core.context.vehicles))
            say(kub::vehicleFilePath(folder) + " nicht lesbar");
        kub::loadStatusFiles(folder, core.context.vehicles);
        core.context.receivers.load(folder);
        for (const auto& refused : kub::takeRefusedFiles()) say(refused);
        std::vector<std::string> remarks;
        core.context.incidents.configure(kub::loadAlarmSettings(folder, remarks));
        for (const auto& r : remarks) say(r);
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
    if (exports) afterBlock = [&exports] { exports->betweenBlocks(); };
    kub::FileDecodeResult r;
    if (sdrReader.wanted()) {
        r = decodeSdrInput(sdr, core, clock, afterBlock, say);
    } else if (fromStdin) {
        kub::PipeReader pipe(STDIN_FILENO, rawFormat);
        r = kub::feedStereoSource(pipe, core.dispatcher, &clock, afterBlock);
        if (r.ok && pipe.readError() != 0) {
            r.ok = false;
            r.error = "Standardeingabe nicht weiter lesbar (Fehler Nr. " + std::to_string(pipe.readError()) + ").";
        }
    } else if (!oneCore && std::thread::hardware_concurrency() > 1) {
        // A recording is there to be read ahead: its right channel is decoded on a second
        // core. A pipe is not, and keeps one thread, so nothing it delivers waits.
        r = kub::feedAudioFileOnTwoThreads(file, core, &clock, afterBlock);
    } else {
        r = kub::feedAudioFile(file, core.dispatcher, &clock, afterBlock);
    }
    // The end of the file closes every incident still open.
    core.context.flush();
    if (exports) exports->shutdown();
    if (!r.ok) {
        say(r.error);
        return 2;
    }
    return 0;
}

}  // namespace kubmon
