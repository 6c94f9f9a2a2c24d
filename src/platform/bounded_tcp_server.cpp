#include "platform/bounded_tcp_server.h"

#include <QDateTime>
#include <QTcpSocket>

namespace kub {

namespace {
constexpr qint64 kLongestRequestSeconds = 120;
}  // namespace

BoundedTcpServer::BoundedTcpServer(int maxConnections, qint64 maxRequestBytes, int idleSeconds, QObject* parent)
    : QTcpServer(parent), maxConnections_(maxConnections), maxRequestBytes_(maxRequestBytes),
      idleSeconds_(idleSeconds) {
    sweepTimer_.setInterval(1000);
    connect(&sweepTimer_, &QTimer::timeout, this, [this] { sweep(); });
    sweepTimer_.start();
}

int BoundedTcpServer::openConnections() {
    for (auto it = connections_.begin(); it != connections_.end();) {
        if (it->socket.isNull() || it->socket->state() == QAbstractSocket::UnconnectedState)
            it = connections_.erase(it);
        else
            ++it;
    }
    return static_cast<int>(connections_.size());
}

void BoundedTcpServer::markViewer(const QHostAddress& peerAddress, quint16 peerPort) {
    for (auto& c : connections_)
        if (!c.socket.isNull() && c.socket->peerPort() == peerPort && c.socket->peerAddress() == peerAddress)
            c.viewer = true;
}

void BoundedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (openConnections() >= maxConnections_) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    socket->setReadBufferSize(maxRequestBytes_);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    connections_.insert(socket, Connection{socket, 0, now, now, false});
    // Connected before the HTTP server's own handler, so it sees each chunk first.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        auto it = connections_.find(socket);
        if (it == connections_.end() || it->viewer) return;
        it->lastActive = QDateTime::currentSecsSinceEpoch();
        it->bytesIn += socket->bytesAvailable();
        if (it->bytesIn > maxRequestBytes_) {
            // Not here: the HTTP server's handler of this very signal still runs.
            QMetaObject::invokeMethod(socket, &QTcpSocket::abort, Qt::QueuedConnection);
        }
    });
    addPendingConnection(socket);
}

void BoundedTcpServer::sweep() {
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    openConnections();
    for (auto& c : connections_)
        if (!c.viewer && (now - c.lastActive > idleSeconds_ || now - c.opened > kLongestRequestSeconds))
            c.socket->abort();
}

}  // namespace kub
