#include "platform/qt_process_runner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTimer>

namespace kub {

namespace {

constexpr qsizetype kOutputLimit = 1024 * 1024;

void appendCapped(std::string& to, const QByteArray& bytes) {
    if (static_cast<qsizetype>(to.size()) >= kOutputLimit) return;
    to.append(bytes.constData(),
              static_cast<std::size_t>(std::min(bytes.size(), kOutputLimit - static_cast<qsizetype>(to.size()))));
}

}  // namespace

ProcessOutcome QtProcessRunner::run(const std::string& program, const std::vector<std::string>& args) {
    ProcessOutcome outcome;
    QProcess process;
    QStringList list;
    for (const std::string& a : args) list << QString::fromStdString(a);
    process.setProgram(QString::fromStdString(program));
    process.setArguments(list);

    QEventLoop loop;
    bool done = false;
    auto finish = [&] {
        done = true;
        loop.quit();
    };
    // Output is taken as it comes, so a talkative program never stalls on a full pipe.
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &loop,
                     [&] { appendCapped(outcome.out, process.readAllStandardOutput()); });
    QObject::connect(&process, &QProcess::readyReadStandardError, &loop,
                     [&] { appendCapped(outcome.err, process.readAllStandardError()); });
    QObject::connect(&process, &QProcess::finished, &loop, finish);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) finish();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] { process.kill(); });

    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) return outcome;
    outcome.started = true;
    limit.start(limitMs_);
    if (!done && process.state() != QProcess::NotRunning) loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(1000);
    }
    appendCapped(outcome.out, process.readAllStandardOutput());
    appendCapped(outcome.err, process.readAllStandardError());
    outcome.exited = process.exitStatus() == QProcess::NormalExit;
    outcome.exitCode = outcome.exited ? process.exitCode() : -1;
    return outcome;
}

std::string siblingProgram(const std::string& name) {
    const QString dir = QCoreApplication::applicationDirPath();
    if (!dir.isEmpty()) {
        const QFileInfo beside(dir + "/" + QString::fromStdString(name));
        if (beside.isExecutable()) return beside.absoluteFilePath().toStdString();
    }
    return name;
}

}  // namespace kub
