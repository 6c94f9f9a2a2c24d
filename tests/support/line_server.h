#pragma once
// A TCP server of the user's own on 127.0.0.1, for the export tests: keeps the bytes it
// receives, or takes nothing at all.

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace kubtest {

// The port settings hold at most 31000, so a test's server takes a port below that rather
// than one of the system's (higher) ephemeral ones; one another process holds is passed
// over, never picked and let go.
inline quint16 nextUserPort() {
    static quint16 next = static_cast<quint16>(20000 + (QCoreApplication::applicationPid() % 500) * 20);
    if (++next > 30999) next = 20000;
    return next;
}

inline bool listenOnUserPort(QTcpServer& server) {
    for (int tries = 0; tries < 2000; ++tries)
        if (server.listen(QHostAddress::LocalHost, nextUserPort())) return true;
    return false;
}

// A port below 31000 where nobody listens: bound without listening, so a connection is
// refused and no other test can take the port meanwhile.
class RefusingPort {
public:
    RefusingPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        for (int tries = 0; tries < 2000 && port_ == 0; ++tries) {
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            const quint16 p = nextUserPort();
            a.sin_port = htons(p);
            if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) port_ = p;
        }
    }
    ~RefusingPort() { ::close(fd_); }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    quint16 port() const { return port_; }

private:
    int fd_ = -1;
    quint16 port_ = 0;
};

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
    bool listen(quint16 port = 0) {
        return port != 0 ? server_.listen(QHostAddress::LocalHost, port) : listenOnUserPort(server_);
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
