#include "platform/qt_event_pause.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace kub {

void QtEventPause::processEvents() { QCoreApplication::processEvents(); }

void QtEventPause::pauseMs(int ms) {
    if (ms <= 0) {
        processEvents();
        return;
    }
    // Events are handled as they come rather than in sleep-sized slices, so a capture
    // block that arrives during the pause is decoded at once.
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace kub
