#pragma once
// A TCP server that keeps the number of open connections bounded. A connection is
// untrusted until the HTTP side has seen it bring a request it may have (the key, or no
// key needed): untrusted ones have a small limit of their own and must be done within a
// few seconds. Past the limit the oldest untrusted ones go, but a moment later: a new
// connection gets the time to show its request first (a browser sends it at once), and
// only a hard limit a few times higher makes room at once. So connections that trickle a header
// line now and then, however many, never keep a viewer with the key or the key's first
// load out. A connection that sends more than a request may hold, that idles, or that
// leaves more than a viewer's backlog of replies unread (a flood of pings, each answered)
// is closed too, so neither thousands of connections nor a slow sender or reader can take
// the monitor's memory, its event loop or the places of real viewers for long.

#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

namespace kub {

class BoundedTcpServer final : public QTcpServer {
public:
    struct Limits {
        int maxConnections = 100;      // trusted ones
        int maxUntrusted = 16;
        qint64 maxRequestBytes = 64 * 1024;
        qint64 maxBacklog = 1 << 20;   // replies written but not yet taken by the peer
        int idleSeconds = 30;
        int untrustedMs = 5000;        // from opening to a request that makes it trusted
    };

    explicit BoundedTcpServer(Limits limits, QObject* parent = nullptr);

    int openConnections();
    // This connection brought a request it may have: from now on only the limit of
    // trusted connections, the idle time and the backlog apply.
    void markTrusted(QTcpSocket* socket);
    // The connection from this peer became a live viewer: it may idle from now on,
    // and what it sends is the viewer's business (bounded by the WebSocket's own limits);
    // its unread replies stay bounded.
    void markViewer(const QHostAddress& peerAddress, quint16 peerPort);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Connection {
        QPointer<QTcpSocket> socket;
        qint64 bytesIn = 0;
        qint64 lastActive = 0;  // ms
        qint64 opened = 0;      // ms
        bool trusted = false;
        bool viewer = false;
    };
    void sweep();
    void dropOldestUntrusted();
    // Down to the limit of untrusted connections, the oldest first.
    void trimUntrusted();
    int count(bool trusted) const;

    Limits limits_;
    QHash<QTcpSocket*, Connection> connections_;
    QTimer sweepTimer_;
    QTimer trimTimer_;
};

}  // namespace kub
