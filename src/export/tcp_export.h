#pragma once
// The TCP export: one outgoing connection to the user's own program, the export line
// sent on it as Windows-1252 bytes, and a one-second watchdog that reconnects and drives
// the connection lamp. The socket itself is the platform's; this is the behaviour
// around it, so it can be exercised against any socket.

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/event_pause.h"
#include "storage/settings.h"

namespace kub {

// Socket states, numbered as the user sees them next to the lamp.
enum TcpState : int {
    kTcpClosed = 0,
    kTcpOpen = 1,
    kTcpListening = 2,
    kTcpConnectionPending = 3,
    kTcpResolvingHost = 4,
    kTcpHostResolved = 5,
    kTcpConnecting = 6,
    kTcpConnected = 7,
    kTcpClosing = 8,
    kTcpError = 9,
};

class TcpClientSocket {
public:
    virtual ~TcpClientSocket() = default;
    virtual int state() const = 0;
    // Starts connecting and returns at once; the state moves on by itself.
    virtual void connectToHost(const std::string& host, std::uint16_t port) = 0;
    virtual void close() = 0;
    // Queues bytes for sending without waiting for the peer.
    virtual void write(const std::string& bytes) = 0;
    // Bytes queued but not yet taken by the network.
    virtual std::size_t pendingBytes() const = 0;
};

constexpr std::uint32_t kLampRed = 0x000000FF;
constexpr std::uint32_t kLampYellow = 0x0000FFFF;
constexpr std::uint32_t kLampBlack = 0x00000000;
constexpr std::uint32_t kLampWhite = 0x00FFFFFF;
constexpr std::uint32_t kLampGreen = 0x0000FF00;

struct WatchdogRule {
    std::uint32_t lampColour;
    bool connect;
};
// What the watchdog shows and does for a socket state.
WatchdogRule watchdogRule(int state);

// The port box never holds more than 31000: a text whose numeric value is above it
// becomes "31000", any other text stays as typed.
std::string limitPortText(const std::string& text);

// Whether two settings connect the TCP export alike: the switch, the server (empty being
// "localhost") and the port. Anything else may change without a reconnect.
bool sameTcpTarget(const Settings& a, const Settings& b);

struct WatchdogTick {
    bool ran = false;          // false when the export is off: lamp and label stay
    std::uint32_t lampColour = kLampRed;
    std::string stateText;     // the state number shown beside the lamp
};

class TcpExport {
public:
    // A peer that takes nothing must not make us hold an ever-growing backlog: past
    // this many unsent bytes further lines are dropped, as if not connected.
    static constexpr std::size_t kMaxPendingBytes = 256 * 1024;
    static constexpr int kLinePauseMs = 240;

    TcpExport(Settings& settings, TcpClientSocket& socket, EventPause& pause)
        : settings_(settings), socket_(socket), pause_(pause) {}

    // Start-up, and whenever the watchdog finds the connection gone.
    void connect();
    // The socket's error event: close, the watchdog reconnects.
    void onSocketError();
    // Sends the line when connected, drops it otherwise; then the pause between lines.
    void send_message(const std::string& line);
    // The sending alone, for a caller that keeps the pause between lines itself.
    void sendLine(const std::string& line);
    // One tick of the 1000 ms watchdog.
    WatchdogTick watchdogTick();
    // Whether the watchdog timer should run with the settings in force.
    bool watchdogWanted() const { return settings_.tcpExport; }
    void shutdown();

    void setLinePauseMs(int ms) { linePauseMs_ = ms; }
    int linePauseMs() const { return linePauseMs_; }
    int linesSent() const { return linesSent_; }
    int linesDropped() const { return linesDropped_; }

private:
    Settings& settings_;
    TcpClientSocket& socket_;
    EventPause& pause_;
    int linePauseMs_ = kLinePauseMs;
    int linesSent_ = 0;
    int linesDropped_ = 0;
};

}  // namespace kub
