// kub-monitor: the monitor's window. Its data files live in the program folder: the
// executable's own folder when it can be written there, else a per-user folder.

#include <QApplication>
#include <QStyleFactory>
#include <cstdio>

#include "common/program_folder.h"
#include "ui/startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KUB-Monitor"));
    // A style that honours button colours (Start green, stop red, unsaved red).
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const std::string folder = kub::defaultProgramFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "kub-monitor: kein beschreibbarer Programmordner\n");
        return 2;
    }
    return kub::ui::runMonitor(folder);
}
