#pragma once
// A TCP server that keeps the number of open connections bounded: past the limit a new
// connection is closed at once. A connection that sends more than a request may hold, that
// idles, or that is still no live viewer after two minutes (a sender dribbling a request
// byte by byte) is closed too, so neither thousands of connections nor a slow sender can
// take the monitor's memory, its event loop or the places of real viewers for long.

#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

namespace kub {

class BoundedTcpServer final : public QTcpServer {
public:
    BoundedTcpServer(int maxConnections, qint64 maxRequestBytes, int idleSeconds, QObject* parent = nullptr);

    int openConnections();
    // The connection from this peer became a live viewer: it may idle from now on,
    // and what it sends is the viewer's business (bounded by the WebSocket's own limits).
    void markViewer(const QHostAddress& peerAddress, quint16 peerPort);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Connection {
        QPointer<QTcpSocket> socket;
        qint64 bytesIn = 0;
        qint64 lastActive = 0;
        qint64 opened = 0;
        bool viewer = false;
    };
    void sweep();

    int maxConnections_;
    qint64 maxRequestBytes_;
    int idleSeconds_;
    QHash<QTcpSocket*, Connection> connections_;
    QTimer sweepTimer_;
};

}  // namespace kub
