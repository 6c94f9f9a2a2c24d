// kub-monitor: the monitor's window. Its data files live in the program folder: the
// executable's own folder when it can be written there, else a per-user folder.

#include <QApplication>
#include <QStyleFactory>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/stderr_line.h"
#include "common/program_folder.h"
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
    const QStringList args = QApplication::arguments();
    bool demo = false;
    std::string recording;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--demo")) {
            demo = true;
        } else if (demo && recording.empty() && !args[i].startsWith(QLatin1Char('-'))) {
            recording = args[i].toStdString();
        } else {
            kub::writeStderrLine("kub-monitor", "unbekannte Angabe: " + args[i].toStdString());
            usage(stderr);
            return 2;
        }
    }

    const std::string folder = kub::defaultProgramFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "kub-monitor: kein beschreibbarer Programmordner\n");
        return 2;
    }
    if (demo && recording.empty()) recording = kub::ui::demoFolder(folder) + "/demo.wav";
    return kub::ui::runMonitor(folder, demo ? recording : std::string());
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
