#include "platform/qt_local_message_sink.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

namespace kub {

void QtLocalMessageSink::deliver(const std::string& socketName, const std::string& record) {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(socketName), QIODevice::WriteOnly);
    if (!socket.waitForConnected(timeoutMs_)) {
        socket.abort();
        return;
    }
    socket.write(record.data(), static_cast<qint64>(record.size()));
    QDeadlineTimer deadline(timeoutMs_);
    while (socket.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) break;
    }
    if (socket.bytesToWrite() > 0) {
        socket.abort();
        return;
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.abort();
}

}  // namespace kub
