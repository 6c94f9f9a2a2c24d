#include "platform/qt_action_launcher.h"

#include <QProcess>
#include <QStringList>

namespace kub {

void QtActionLauncher::launch(const std::string& programPath, std::vector<std::string> args) {
    if (programPath.empty()) return;
    QStringList list;
    list.reserve(static_cast<qsizetype>(args.size()));
    for (const std::string& a : args) list << QString::fromStdString(a);
    // A missing or unstartable program is not the dispatcher's concern here.
    if (QProcess::startDetached(QString::fromStdString(programPath), list)) ++launched_;
}

}  // namespace kub
