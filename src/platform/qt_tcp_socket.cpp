#include "platform/qt_tcp_socket.h"

#include <QString>

namespace kub {

QtTcpSocket::QtTcpSocket() : socket_(std::make_unique<QTcpSocket>()) {
    QObject::connect(socket_.get(), &QAbstractSocket::errorOccurred, socket_.get(),
                     [this](QAbstractSocket::SocketError) {
                         if (onError_) onError_();
                     });
}

QtTcpSocket::~QtTcpSocket() {
    QObject::disconnect(socket_.get(), nullptr, nullptr, nullptr);
    socket_->abort();
}

int QtTcpSocket::state() const {
    switch (socket_->state()) {
        case QAbstractSocket::UnconnectedState: return kTcpClosed;
        case QAbstractSocket::HostLookupState: return kTcpResolvingHost;
        case QAbstractSocket::ConnectingState: return kTcpConnecting;
        case QAbstractSocket::ConnectedState: return kTcpConnected;
        case QAbstractSocket::BoundState: return kTcpOpen;
        case QAbstractSocket::ListeningState: return kTcpListening;
        case QAbstractSocket::ClosingState: return kTcpClosing;
    }
    return kTcpError;
}

void QtTcpSocket::connectToHost(const std::string& host, std::uint16_t port) {
    socket_->connectToHost(QString::fromStdString(host), port);
}

void QtTcpSocket::close() { socket_->abort(); }

void QtTcpSocket::write(const std::string& bytes) {
    socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::size_t QtTcpSocket::pendingBytes() const {
    return static_cast<std::size_t>(socket_->bytesToWrite());
}

QtTcpExport::QtTcpExport(Settings& settings, EventPause& pause) : exporter(settings, socket, pause) {
    socket.setErrorHandler([this] { exporter.onSocketError(); });
}

}  // namespace kub
