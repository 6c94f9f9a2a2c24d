#include "platform/bounded_tcp_server.h"

#include <QDateTime>
#include <QTcpSocket>

namespace kub {

namespace {
constexpr qint64 kLongestRequestMs = 120 * 1000;
constexpr int kSweepMs = 500;
// Untrusted connections held above the limit until the next trim, and how long a new
// one has to bring its request before the trim.
constexpr int kUntrustedHardFactor = 4;
constexpr int kTrimMs = 200;

qint64 nowMs() { return QDateTime::currentMSecsSinceEpoch(); }

// Not at once: the HTTP server's own handler of the signal being handled may still use it.
void abortSoon(QTcpSocket* socket) { QMetaObject::invokeMethod(socket, &QTcpSocket::abort, Qt::QueuedConnection); }
}  // namespace

BoundedTcpServer::BoundedTcpServer(Limits limits, QObject* parent) : QTcpServer(parent), limits_(limits) {
    sweepTimer_.setInterval(kSweepMs);
    connect(&sweepTimer_, &QTimer::timeout, this, [this] { sweep(); });
    sweepTimer_.start();
    trimTimer_.setSingleShot(true);
    trimTimer_.setInterval(kTrimMs);
    connect(&trimTimer_, &QTimer::timeout, this, [this] { trimUntrusted(); });
}

void BoundedTcpServer::trimUntrusted() {
    openConnections();
    while (count(false) > limits_.maxUntrusted) dropOldestUntrusted();
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

int BoundedTcpServer::count(bool trusted) const {
    int n = 0;
    for (const auto& c : connections_)
        if (c.trusted == trusted && !c.socket.isNull()) ++n;
    return n;
}

void BoundedTcpServer::markTrusted(QTcpSocket* socket) {
    auto it = connections_.find(socket);
    if (it == connections_.end() || it->trusted) return;
    openConnections();
    if (count(true) >= limits_.maxConnections) {
        abortSoon(socket);
        return;
    }
    it->trusted = true;
}

void BoundedTcpServer::markViewer(const QHostAddress& peerAddress, quint16 peerPort) {
    for (auto& c : connections_) {
        if (c.socket.isNull() || c.socket->peerPort() != peerPort || c.socket->peerAddress() != peerAddress ||
            c.viewer)
            continue;
        c.viewer = c.trusted = true;
        // The upgrade took every connection of the socket, ours too. Connected again, after
        // the WebSocket's own handler: it sees what the pings of this chunk were answered
        // with, which the WebSocket answers without telling anyone.
        QTcpSocket* socket = c.socket;
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            if (socket->bytesToWrite() > limits_.maxBacklog) abortSoon(socket);
        });
    }
}

void BoundedTcpServer::dropOldestUntrusted() {
    Connection* oldest = nullptr;
    for (auto& c : connections_)
        if (!c.trusted && !c.socket.isNull() && (!oldest || c.opened < oldest->opened)) oldest = &c;
    if (oldest) {
        QTcpSocket* s = oldest->socket;
        connections_.remove(s);
        s->abort();
    }
}

void BoundedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    openConnections();
    // The newest stays: a browser sends its request at once, a connection that has held
    // its place longest without one is the likeliest to be nobody's.
    const int untrusted = count(false);
    if (untrusted >= limits_.maxUntrusted * kUntrustedHardFactor) dropOldestUntrusted();
    if (untrusted >= limits_.maxUntrusted && !trimTimer_.isActive()) trimTimer_.start();
    socket->setReadBufferSize(limits_.maxRequestBytes);
    const qint64 now = nowMs();
    connections_.insert(socket, Connection{socket, 0, now, now, false, false});
    // Connected before the HTTP server's own handler, so it sees each chunk first.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        auto it = connections_.find(socket);
        if (it == connections_.end()) return;
        // Every reply counts: pongs to pings, answers to requests sent in a row.
        if (socket->bytesToWrite() > limits_.maxBacklog) {
            abortSoon(socket);
            return;
        }
        if (it->viewer) return;
        it->lastActive = nowMs();
        it->bytesIn += socket->bytesAvailable();
        if (it->bytesIn > limits_.maxRequestBytes) abortSoon(socket);
    });
    addPendingConnection(socket);
}

void BoundedTcpServer::sweep() {
    const qint64 now = nowMs();
    openConnections();
    for (auto& c : connections_) {
        if (c.viewer) continue;
        const bool late = c.trusted ? now - c.opened > kLongestRequestMs : now - c.opened > limits_.untrustedMs;
        if (late || now - c.lastActive > limits_.idleSeconds * 1000LL) c.socket->abort();
    }
}

}  // namespace kub
