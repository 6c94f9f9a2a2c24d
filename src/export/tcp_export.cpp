#include "export/tcp_export.h"

#include <algorithm>

#include "storage/text_file.h"

namespace kub {

WatchdogRule watchdogRule(int state) {
    switch (state) {
        case kTcpClosed: return {kLampRed, true};
        case kTcpOpen: return {kLampYellow, false};
        case kTcpConnectionPending:
        case kTcpConnecting: return {kLampBlack, false};
        case kTcpResolvingHost: return {kLampWhite, false};
        case kTcpConnected: return {kLampGreen, false};
        case kTcpClosing: return {kLampRed, true};
        default: return {kLampRed, false};
    }
}

std::string limitPortText(const std::string& text) {
    // Digits only, so "99999999999999" cannot overflow on its way to the comparison.
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && text[i] == '+') ++i;
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kMaxTcpPort) return std::to_string(kMaxTcpPort);
    }
    return text;
}

bool sameTcpTarget(const Settings& a, const Settings& b) {
    auto server = [](const Settings& s) { return s.tcpServer.empty() ? std::string("localhost") : s.tcpServer; };
    return a.tcpExport == b.tcpExport && a.tcpPort == b.tcpPort && server(a) == server(b);
}

void TcpExport::connect() {
    if (socket_.state() != kTcpClosed) socket_.close();
    const auto port = static_cast<std::uint16_t>(std::clamp<int>(settings_.tcpPort, 0, kMaxTcpPort));
    if (settings_.tcpServer.empty()) settings_.tcpServer = "localhost";
    socket_.connectToHost(settings_.tcpServer, port);
}

void TcpExport::onSocketError() { socket_.close(); }

void TcpExport::send_message(const std::string& line) {
    sendLine(line);
    pause_.processEvents();
    pause_.pauseMs(linePauseMs_);
}

void TcpExport::sendLine(const std::string& line) {
    const std::string bytes = utf8ToCp1252(line);
    if (socket_.state() == kTcpConnected && socket_.pendingBytes() + bytes.size() <= kMaxPendingBytes) {
        socket_.write(bytes);
        ++linesSent_;
    } else {
        ++linesDropped_;
    }
}

WatchdogTick TcpExport::watchdogTick() {
    WatchdogTick tick;
    pause_.processEvents();
    if (!settings_.tcpExport) return tick;
    const int state = socket_.state();
    const WatchdogRule rule = watchdogRule(state);
    if (rule.connect) connect();
    tick.ran = true;
    tick.lampColour = rule.lampColour;
    tick.stateText = std::to_string(state);
    return tick;
}

void TcpExport::shutdown() {
    if (socket_.state() != kTcpClosed) socket_.close();
}

}  // namespace kub
