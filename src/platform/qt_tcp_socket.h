#pragma once
// The TCP export's socket: a QTcpSocket seen through the numbered states of the export.

#include <QTcpSocket>
#include <functional>
#include <memory>

#include "export/tcp_export.h"

namespace kub {

class QtTcpSocket final : public TcpClientSocket {
public:
    QtTcpSocket();
    ~QtTcpSocket() override;
    // Called when the socket reports an error (refused, host not found, peer gone).
    void setErrorHandler(std::function<void()> handler) { onError_ = std::move(handler); }

    int state() const override;
    void connectToHost(const std::string& host, std::uint16_t port) override;
    // Closes at once, dropping anything not yet sent: a peer that reads nothing must
    // not keep the socket in its closing state.
    void close() override;
    void write(const std::string& bytes) override;
    std::size_t pendingBytes() const override;

private:
    std::unique_ptr<QTcpSocket> socket_;
    std::function<void()> onError_;
};

// Connects the socket's error event to the export and builds both together.
struct QtTcpExport {
    QtTcpExport(Settings& settings, EventPause& pause);
    QtTcpExport(const QtTcpExport&) = delete;
    QtTcpExport& operator=(const QtTcpExport&) = delete;
    QtTcpSocket socket;
    TcpExport exporter;
};

}  // namespace kub
