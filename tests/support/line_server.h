#pragma once
// A TCP server of the user's own on 127.0.0.1, for the export tests: keeps the bytes it
// receives, or takes nothing at all.

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <string>
#include <vector>

namespace kubtest {

// A server of the user's own: keeps everything it receives, per connection.
class LineServer {
public:
    explicit LineServer(bool reads = true) : reads_(reads) {
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                clients_.push_back(s);
                if (!reads_) {
                    s->setReadBufferSize(1);  // takes nothing: the kernel buffers fill up
                    continue;
                }
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    const QByteArray b = s->readAll();
                    received.append(b.constData(), static_cast<std::size_t>(b.size()));
                });
            }
        });
    }
    // The port setting holds at most 31000, so the server takes a free port below it
    // rather than one of the system's (higher) ephemeral ones.
    bool listen(quint16 port = 0) {
        if (port != 0) return server_.listen(QHostAddress::LocalHost, port);
        static quint16 next = static_cast<quint16>(20000 + (QCoreApplication::applicationPid() % 500) * 20);
        for (int tries = 0; tries < 2000; ++tries) {
            if (++next > 30999) next = 20000;
            if (server_.listen(QHostAddress::LocalHost, next)) return true;
        }
        return false;
    }
    quint16 port() const { return server_.serverPort(); }
    void stop() {
        server_.close();
        for (QTcpSocket* s : clients_) {
            s->abort();
            s->deleteLater();
        }
        clients_.clear();
    }
    std::size_t connections() const { return clients_.size(); }
    std::string received;

private:
    bool reads_;
    QTcpServer server_;
    std::vector<QTcpSocket*> clients_;
};

}  // namespace kubtest
