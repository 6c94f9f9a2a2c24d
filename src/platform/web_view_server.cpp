#include "platform/web_view_server.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>
#include <QWebSocket>
#include <chrono>

#include "platform/bounded_tcp_server.h"
#include "platform/web_answer.h"
#include "platform/web_history.h"
#include "web_page_files.h"

namespace kub {

namespace {

using Status = QHttpServerResponder::StatusCode;

void respond(QHttpServerResponder&& r, Status status, const QByteArray& type, const QByteArray& body,
             const QByteArray& cookie = {}, const QByteArray& location = {}) {
    r.writeStatusLine(status);
    r.writeHeader("Content-Type", type);
    r.writeHeader("Content-Length", QByteArray::number(body.size()));
    r.writeHeader("Content-Security-Policy", kWebSecurityPolicy);
    r.writeHeader("X-Content-Type-Options", "nosniff");
    r.writeHeader("Referrer-Policy", "no-referrer");
    r.writeHeader("Cache-Control", "no-store");
    if (!cookie.isEmpty()) r.writeHeader("Set-Cookie", cookie);
    if (!location.isEmpty()) r.writeHeader("Location", location);
    r.writeBody(body);
}

bool isLoopback(const std::string& address) {
    if (address == "localhost") return true;
    const QHostAddress a(QString::fromStdString(address));
    return !a.isNull() && a.isLoopback();
}

}  // namespace

WebViewServer::WebViewServer(WebViewSources sources, QObject* parent)
    : QAbstractHttpServer(parent),
      sources_(sources),
      history_(std::make_unique<WebHistory>(this, sources.settings, clock_)) {
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this, [this] { acceptViewers(); });
    tick_.setInterval(2000);
    connect(&tick_, &QTimer::timeout, this, [this] { tick(); });
}

WebViewServer::~WebViewServer() { stop(); }

void WebViewServer::setHistory(HistorySource* source, const ReceiverLists* receivers) {
    history_->setSource(source, receivers);
}

std::string WebViewServer::start(const std::string& address, int port, const std::string& key) {
    stop();
    const std::string refusal = webListenRefusal(address, isLoopback(address), key);
    if (!refusal.empty()) return refusal;
    QHostAddress host;
    if (address == "localhost") {
        host = QHostAddress(QHostAddress::LocalHost);
    } else if (!host.setAddress(QString::fromStdString(address))) {
        return "Web-Ansicht nicht gestartet: \"" + address + "\" ist keine IP-Adresse.";
    }
    if (port < 0 || port > 65535) return "Web-Ansicht nicht gestartet: Port " + std::to_string(port) + " gibt es nicht.";
    BoundedTcpServer::Limits limits;
    limits.maxConnections = kMaxConnections;
    limits.maxUntrusted = kMaxUntrusted;
    limits.maxRequestBytes = kMaxRequestBytes;
    limits.maxBacklog = kMaxBacklog;
    limits.idleSeconds = kIdleSeconds;
    limits.untrustedMs = kUntrustedMs;
    auto* tcp = new BoundedTcpServer(limits, this);
    if (!tcp->listen(host, static_cast<quint16>(port))) {
        const std::string why = tcp->errorString().toStdString();
        delete tcp;
        return "Web-Ansicht nicht gestartet: " + address + ":" + std::to_string(port) + " nicht belegbar (" + why + ").";
    }
    tcp_ = tcp;
    bind(tcp_);
    key_ = key;
    wrongKeys_ = WrongKeyThrottle();
    tick_.start();
    return {};
}

void WebViewServer::stop() {
    tick_.stop();
    for (auto& v : viewers_) {
        v->socket->abort();
        v->socket->deleteLater();
    }
    viewers_.clear();
    if (tcp_) {
        tcp_->close();
        tcp_->deleteLater();
        tcp_ = nullptr;
    }
}

bool WebViewServer::listening() const { return tcp_ && tcp_->isListening(); }

quint16 WebViewServer::port() const { return tcp_ ? tcp_->serverPort() : 0; }

bool WebViewServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    answered_ = false;
    const QByteArray query = request.url().query(QUrl::FullyEncoded).toUtf8();
    const QByteArray cookies = request.value("Cookie");
    const auto view = [](const QByteArray& b) { return std::string_view(b.constData(), static_cast<std::size_t>(b.size())); };
    if (socket->bytesToWrite() > kMaxBacklog) {
        // Requests sent in a row whose answers are not read: no more answers.
        QMetaObject::invokeMethod(socket, &QTcpSocket::abort, Qt::QueuedConnection);
        answered_ = true;
        return false;
    }
    const std::string peer = socket->peerAddress().toString().toStdString();
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
    if (!key_.empty() && !wrongKeys_.allows(peer, now)) {
        // Not even looked at: guessing gets no faster by sending more.
        respond(makeResponder(request, socket), Status::TooManyRequests, "text/plain; charset=utf-8",
                "Zu viele falsche Zugangsschlüssel von dieser Adresse; bitte kurz warten.\n");
        answered_ = true;
        return false;
    }
    const WebAccess access = webAccess(key_, view(query), view(cookies));
    if (access == WebAccess::Denied) {
        if (webKeyOffered(view(query), view(cookies))) wrongKeys_.wrong(peer, now);
    } else if (tcp_) {
        tcp_->markTrusted(socket);
    }
    const QString path = request.url().path();
    const QByteArray host = request.value("Host");
    const QByteArray origin = request.value("Origin");
    const bool foreignHost = key_.empty() && !loopbackHost(view(host));
    const bool upgrade = request.value("Upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
    if (upgrade) {
        // True hands the connection to the WebSocket side; false closes it after what
        // was written here.
        if (foreignHost || !sameOrigin(view(origin), view(host))) {
            respond(makeResponder(request, socket), Status::Forbidden, "text/plain; charset=utf-8",
                    "Nur für die Seite dieses Monitors.\n");
        } else if (access == WebAccess::Denied) {
            respond(makeResponder(request, socket), Status::Unauthorized, "text/plain; charset=utf-8",
                    "Zugangsschlüssel fehlt oder ist falsch.\n");
        } else if (path != QLatin1String("/live")) {
            respond(makeResponder(request, socket), Status::NotFound, "text/plain; charset=utf-8", "Nicht gefunden.\n");
        } else if (viewerCount() >= kMaxViewers) {
            respond(makeResponder(request, socket), Status::ServiceUnavailable, "text/plain; charset=utf-8",
                    "Zu viele Zuschauer, bitte später noch einmal.\n");
        } else {
            return true;
        }
        answered_ = true;
        return false;
    }
    if (request.method() != QHttpServerRequest::Method::Get) {
        respond(makeResponder(request, socket), Status::MethodNotAllowed, "text/plain; charset=utf-8",
                "Nur Lesen: diese Seite ändert nichts am Monitor.\n");
        return true;
    }
    if (foreignHost) {
        respond(makeResponder(request, socket), Status::Forbidden, "text/plain; charset=utf-8",
                "Ohne Zugangsschlüssel nur über 127.0.0.1 oder localhost erreichbar.\n");
        return true;
    }
    if (access == WebAccess::Denied) {
        respond(makeResponder(request, socket), Status::Unauthorized, "text/plain; charset=utf-8",
                "Zugangsschlüssel fehlt oder ist falsch. Seite einmal mit ?key=SCHLÜSSEL aufrufen.\n");
        return true;
    }
    if (access == WebAccess::GrantedByQuery) {
        // The key leaves the address bar (and the history) at once; the cookie carries it on.
        const QByteArray cookie = QByteArray(kWebKeyCookie.data(), static_cast<qsizetype>(kWebKeyCookie.size())) + "=" +
                                  QByteArray::fromStdString(key_) + "; Path=/; HttpOnly; SameSite=Strict";
        const std::string rest = queryWithout(std::string_view(query.constData(), static_cast<std::size_t>(query.size())),
                                              "key");
        QByteArray location = path.isEmpty() ? QByteArray("/") : QUrl(path).toEncoded();
        if (!rest.empty()) location += "?" + QByteArray::fromStdString(rest);
        respond(makeResponder(request, socket), Status::SeeOther, "text/plain; charset=utf-8", "", cookie, location);
        return true;
    }
    if (history_->answer(path, view(query), socket)) return true;
    for (const WebPageFile& f : kWebPageFiles) {
        if (path == QLatin1String(f.path)) {
            respond(makeResponder(request, socket), Status::Ok, f.type,
                    QByteArray::fromRawData(f.body.data(), static_cast<qsizetype>(f.body.size())));
            return true;
        }
    }
    respond(makeResponder(request, socket), Status::NotFound, "text/plain; charset=utf-8", "Nicht gefunden.\n");
    return true;
}

void WebViewServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    if (answered_) {
        answered_ = false;
        return;
    }
    respond(makeResponder(request, socket), Status::NotFound, "text/plain; charset=utf-8", "Nicht gefunden.\n");
}

void WebViewServer::acceptViewers() {
    while (hasPendingWebSocketConnections()) {
        QWebSocket* ws = nextPendingWebSocketConnection().release();
        if (!ws) continue;
        const QByteArray query = ws->requestUrl().query(QUrl::FullyEncoded).toUtf8();
        const QByteArray cookies = ws->request().rawHeader("Cookie");
        const bool allowed =
            webAccess(key_, std::string_view(query.constData(), static_cast<std::size_t>(query.size())),
                      std::string_view(cookies.constData(), static_cast<std::size_t>(cookies.size()))) !=
            WebAccess::Denied;
        if (!allowed || ws->requestUrl().path() != QLatin1String("/live") || viewerCount() >= kMaxViewers) {
            connect(ws, &QWebSocket::disconnected, ws, &QObject::deleteLater);
            ws->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("abgewiesen"));
            continue;
        }
        if (tcp_) tcp_->markViewer(ws->peerAddress(), ws->peerPort());
        ws->setMaxAllowedIncomingFrameSize(64);
        ws->setMaxAllowedIncomingMessageSize(64);
        viewers_.push_back(std::make_unique<Viewer>());
        Viewer& v = *viewers_.back();
        v.socket = ws;
        // Queued: a viewer may go away in the middle of a send to all of them. The viewer
        // list owns the socket from here on; dropViewer deletes it.
        connect(ws, &QWebSocket::disconnected, this, [this, ws] { dropViewer(ws); }, Qt::QueuedConnection);
        connect(ws, &QWebSocket::textMessageReceived, this, [this, ws](const QString& text) {
            const QByteArray utf8 = text.toUtf8();
            const auto station =
                viewerStation(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
            if (!station) return;
            for (auto& viewer : viewers_) {
                if (viewer->socket != ws) continue;
                viewer->station = *station;
                viewer->lastBoard.clear();
                sendBoard(*viewer);
            }
        });
        send(v, state_.helloMessage(*sources_.stationNames, *sources_.settings, *sources_.vehicles));
        sendBoard(v);
        send(v, alertsMessage(*sources_.window, *sources_.vehicles));
    }
}

void WebViewServer::dropViewer(QWebSocket* socket) {
    for (auto it = viewers_.begin(); it != viewers_.end(); ++it) {
        if ((*it)->socket != socket) continue;
        viewers_.erase(it);
        socket->abort();
        socket->deleteLater();
        return;
    }
}

void WebViewServer::send(Viewer& viewer, const std::string& message) {
    if (viewer.socket->bytesToWrite() > kMaxBacklog) {
        // Falls behind: dropped, never waited for. Its page reconnects and starts afresh.
        QWebSocket* s = viewer.socket;
        QMetaObject::invokeMethod(this, [this, s] { dropViewer(s); }, Qt::QueuedConnection);
        return;
    }
    viewer.socket->sendTextMessage(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
}

void WebViewServer::sendBoard(Viewer& viewer) {
    std::string board = boardMessage(viewer.station, *sources_.vehicles, *sources_.settings, *sources_.stationNames);
    if (board == viewer.lastBoard) return;
    send(viewer, board);
    viewer.lastBoard = std::move(board);
}

void WebViewServer::deliver(const ReceptionRecord& record) {
    state_.add(record);
    if (flushQueued_) return;
    flushQueued_ = true;
    QMetaObject::invokeMethod(this, [this] { flush(); }, Qt::QueuedConnection);
}

void WebViewServer::flush() {
    flushQueued_ = false;
    const std::vector<std::string> messages = state_.takePending();
    const bool boardChanged = state_.takeBoardChanged();
    if (viewers_.empty()) return;
    for (const std::string& m : messages)
        for (auto& v : viewers_) send(*v, m);
    if (boardChanged)
        for (auto& v : viewers_) sendBoard(*v);
    std::string alerts = alertsMessage(*sources_.window, *sources_.vehicles);
    if (alerts != lastAlerts_) {
        for (auto& v : viewers_) send(*v, alerts);
        lastAlerts_ = std::move(alerts);
    }
}

void WebViewServer::tick() {
    // Catches what changes without a reception: edits of the board, alerts that age out
    // or are acknowledged in the window.
    flush();
    for (auto& v : viewers_) sendBoard(*v);
    if (++ticks_ % 15 == 0)
        for (auto& v : viewers_) v->socket->ping();
}

}  // namespace kub
