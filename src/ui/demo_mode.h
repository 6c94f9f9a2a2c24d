#pragma once
// The demo: a window on the demo district's program folder whose audio is a recording,
// played through the replay (the same dispatch, handling, files and exports as a sound
// card) over and over. The tab row says that this is the demo and how to leave it.

#include <QObject>
#include <QString>

class QLabel;

namespace kub::ui {

class MainWindow;

class DemoMode : public QObject {
    Q_OBJECT
public:
    DemoMode(MainWindow& window, QString recording);

    // Plays the recording from its start; false (said in the window) when it cannot be read.
    bool play();

private:
    MainWindow& window_;
    QString recording_;
    QLabel* line_ = nullptr;
};

// The demo's folder inside a program folder: "Demo".
std::string demoFolder(const std::string& programFolder);

}  // namespace kub::ui
