#pragma once
// Runs the event loop of a test that owns its Qt application until `done` or the time is
// up. Sleeps between rounds instead of nesting an event loop, so a window's deferred work
// runs exactly as it does in the program.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace kubtest {

template <typename F>
bool waitFor(F done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

}  // namespace kubtest
