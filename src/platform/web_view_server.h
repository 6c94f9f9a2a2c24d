#pragma once
// The live web board: a small HTTP server in the monitor that serves the page (built into
// the program) and pushes every reception to the browsers watching it over a WebSocket.
// It is one of the reception outputs: a record is copied into the page's state on the
// decoding thread and sent from the event loop afterwards, so no viewer, however slow,
// ever holds up the decoding. Viewers, connections, requests and each viewer's backlog
// are bounded; a viewer that falls behind is dropped (its page reconnects by itself).

#include <QAbstractHttpServer>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "core/reception_output.h"
#include "core/reception_window.h"
#include "history/history_source.h"
#include "storage/receiver_list.h"
#include "storage/settings.h"
#include "storage/station_names.h"
#include "storage/vehicle_table.h"
#include "web/web_access.h"
#include "web/web_view_state.h"

class QTcpSocket;
class QWebSocket;

namespace kub {

class BoundedTcpServer;
class WebHistory;

// What the page shows, owned by the monitor; read only, on the event loop's thread.
struct WebViewSources {
    const VehicleTable* vehicles = nullptr;
    const Settings* settings = nullptr;
    const StationNames* stationNames = nullptr;
    const ReceptionWindow* window = nullptr;  // the alert lists
};

class WebViewServer final : public QAbstractHttpServer, public ReceptionOutput {
    Q_OBJECT
public:
    static constexpr int kMaxViewers = 50;
    static constexpr int kMaxConnections = 100;
    // Bytes a viewer may leave unread before it is dropped.
    static constexpr qint64 kMaxBacklog = 1 << 20;
    // Bytes a connection may send before it becomes a viewer (requests are tiny).
    static constexpr qint64 kMaxRequestBytes = 64 * 1024;
    // A connection that is no viewer and sends nothing for this long is closed.
    static constexpr int kIdleSeconds = 30;
    // Connections not yet known to bring a request they may have: their own small
    // number, and this long to bring it.
    static constexpr int kMaxUntrusted = 16;
    static constexpr int kUntrustedMs = 5000;

    explicit WebViewServer(WebViewSources sources, QObject* parent = nullptr);
    ~WebViewServer() override;

    // Listens on ADDRESS:PORT (port 0: any free one). Empty when listening; otherwise the
    // German reason why not (another address than loopback without a key, a bad key,
    // an address or port that cannot be had).
    std::string start(const std::string& address, int port, const std::string& key);
    void stop();
    bool listening() const;
    quint16 port() const;

    WebViewState& state() { return state_; }
    // The stored receptions behind the pages "Verlauf" and "Statuszeiten" (none: they say
    // so); `receivers` gives the units each vehicle carries. Event loop only; waits for a
    // search still running on the previous source.
    void setHistory(HistorySource* source, const ReceiverLists* receivers);
    int viewerCount() const { return static_cast<int>(viewers_.size()); }

    void deliver(const ReceptionRecord& record) override;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    struct Viewer {
        QWebSocket* socket = nullptr;
        int station = 0;
        std::string lastBoard;
    };

    void acceptViewers();
    void dropViewer(QWebSocket* socket);
    void send(Viewer& viewer, const std::string& message);
    void sendBoard(Viewer& viewer);
    void flush();
    void tick();

    WebViewSources sources_;
    WebViewState state_;
    std::string key_;
    WrongKeyThrottle wrongKeys_;
    BoundedTcpServer* tcp_ = nullptr;
    std::vector<std::unique_ptr<Viewer>> viewers_;
    std::string lastAlerts_;
    bool flushQueued_ = false;
    // handleRequest already answered a refused upgrade; missingHandler must not answer again.
    bool answered_ = false;
    QTimer tick_;
    int ticks_ = 0;
    WallClock clock_;
    std::unique_ptr<WebHistory> history_;
};

}  // namespace kub
