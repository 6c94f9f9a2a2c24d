// kub-monitor: the monitor's window. Its data files live in the program folder: the
// executable's own folder when it can be written there, else a per-user folder.

#include <QApplication>
#include <QStyleFactory>
#include <cstdio>
#include <cstring>
#include <string>

#include <optional>
#include <vector>

#include "common/command_options.h"
#include "common/program_folder.h"
#include "common/stderr_line.h"
#include "platform/process_end.h"
#include "ui/demo_mode.h"
#include "ui/startup.h"

namespace {

void usage(std::FILE* to) {
    std::fputs(
        "Aufruf:\n"
        "  kub-monitor                   das Fenster auf dem Programmordner\n"
        "  kub-monitor --demo [DATEI]    Demo: erfundener Landkreis im Ordner \"Demo\" des\n"
        "                                Programmordners, der Funkverkehr aus DATEI (Vorgabe:\n"
        "                                demo.wav im Ordner \"Demo\") in einer Schleife\n"
        "  kub-monitor --version         Version\n"
        "  kub-monitor --help            diese Hilfe\n",
        to);
}

int windowProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KUB-Monitor"));
    QApplication::setApplicationVersion(QStringLiteral(KUB_VERSION));
    // A style that honours button colours (Start green, stop red, unsaved red).
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    // What is left after Qt took its own options.
    const QStringList qtLeft = QApplication::arguments();
    std::vector<std::string> args;
    for (qsizetype i = 1; i < qtLeft.size(); ++i) args.push_back(qtLeft[i].toStdString());
    bool demo = false;
    std::vector<std::string> words;
    const auto refused = kub::CommandOptions().flag("--demo", demo).words(words).parse(args);
    // Only the demo takes a word, its recording; "-" (stdin) is no file the window could loop.
    std::optional<std::string> wrong;
    if (refused) wrong = refused->text;
    else if (words.size() > (demo ? 1u : 0u)) wrong = words.back();
    else if (!words.empty() && words.front() == "-") wrong = "-";
    if (wrong) {
        kub::writeStderrLine("kub-monitor", "unbekannte Angabe: " + *wrong);
        usage(stderr);
        return 2;
    }
    const std::string recording = words.empty() ? std::string() : words.front();

    const std::string folder = kub::defaultProgramFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "kub-monitor: kein beschreibbarer Programmordner\n");
        return 2;
    }
    if (!demo) return kub::ui::runMonitor(folder, std::string());
    return kub::ui::runMonitor(folder, recording.empty() ? kub::ui::demoFolder(folder) + "/demo.wav" : recording);
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before the window system is asked for: these work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("kub-monitor %s\n", KUB_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            usage(stdout);
            return 0;
        }
    }
    kub::endProcess(windowProgram(argc, argv));
}
