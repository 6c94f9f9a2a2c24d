#include "platform/web_history.h"

#include <QMetaObject>
#include <QTcpSocket>
#include <exception>
#include <nlohmann/json.hpp>

#include "common/colour_text.h"
#include "history/status_times_report.h"
#include "history/status_times_text.h"
#include "platform/web_answer.h"
#include "web/history_answer.h"
#include "web/history_request.h"

namespace kub {

namespace {

const QByteArray kJson = "application/json; charset=utf-8";
const QByteArray kText = "text/plain; charset=utf-8";

QByteArray bytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

WebHistory::Answer jsonAnswer(int status, const std::string& body) { return {status, kJson, bytes(body), {}}; }

}  // namespace

WebHistory::WebHistory(QObject* context, const Settings* settings, const Clock& clock)
    : context_(context), settings_(settings), clock_(clock), worker_([this] { run(); }) {}

WebHistory::~WebHistory() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    worker_.join();
}

void WebHistory::setSource(HistorySource* source, const ReceiverLists* receivers) {
    std::unique_lock lock(mutex_);
    jobs_.clear();
    idle_.wait(lock, [this] { return !busy_; });
    source_ = source;
    receivers_ = receivers;
}

bool WebHistory::answer(const QString& path, std::string_view query, QTcpSocket* socket) {
    const bool csv = path == QLatin1String("/verlauf.csv");
    if (csv || path == QLatin1String("/verlauf/suche")) {
        HistorySearchRequest request = parseHistorySearch(query, csv);
        if (!request.error.empty()) {
            socket->write(csv ? webAnswerBytes(400, kText, bytes(request.error + "\n"))
                              : webAnswerBytes(400, kJson, bytes(historyErrorJson(request.error))));
            return true;
        }
        queue(socket, [request = std::move(request), csv](HistorySource& source) -> Answer {
            const std::vector<ReceptionRecord> rows = source.search(request.query);
            if (csv) return {200, "text/csv; charset=utf-8", bytes(historyCsv(rows)), "Verlauf.csv"};
            return jsonAnswer(200, historyPageJson(rows, request.page, kHistoryPageRows));
        });
        return true;
    }
    if (path == QLatin1String("/statuszeiten/daten")) {
        StatusDayRequest request = parseStatusDay(query, clock_.nowSeconds());
        if (!request.error.empty()) {
            socket->write(webAnswerBytes(400, kJson, bytes(historyErrorJson(request.error))));
            return true;
        }
        // Copied here, on the event loop's thread: the settings may change while it runs.
        nlohmann::json colours = nlohmann::json::array();
        for (int s = 1; s <= 9; ++s) colours.push_back(colourText(settings_ ? settings_->statusColour(s) : 0));
        std::vector<AssignmentRecord> assignments = receivers_ ? receivers_->assignmentList : std::vector<AssignmentRecord>{};
        const double now = clock_.nowSeconds();
        queue(socket, [request = std::move(request), colours = colours.dump(), assignments = std::move(assignments),
                       now](HistorySource& source) -> Answer {
            const StatusTimesReport report =
                gatherStatusTimes(source, request.kennung, request.from, request.to, assignments, now);
            if (!report.error.empty()) return jsonAnswer(200, historyErrorJson(report.error));
            return jsonAnswer(200, "{\"farben\":" + colours + ",\"bericht\":" + statusTimesJson(report, true) + "}");
        });
        return true;
    }
    return false;
}

void WebHistory::queue(QTcpSocket* socket, std::function<Answer(HistorySource&)> work) {
    std::string refusal;
    {
        std::lock_guard lock(mutex_);
        if (!source_) {
            refusal = "Kein Verlauf eingerichtet.";
        } else if (jobs_.size() >= kMaxWaiting) {
            refusal = "Der Verlauf ist gerade beschäftigt; bitte gleich noch einmal versuchen.";
        } else {
            jobs_.push_back({QPointer<QTcpSocket>(socket), std::move(work)});
        }
    }
    if (refusal.empty()) {
        wake_.notify_one();
        return;
    }
    socket->write(webAnswerBytes(503, kJson, bytes(historyErrorJson(refusal))));
}

void WebHistory::run() {
    for (;;) {
        Job job;
        HistorySource* source = nullptr;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
            source = source_;
            busy_ = true;
        }
        Answer a;
        try {
            a = job.work(*source);
        } catch (const std::exception& e) {
            a = jsonAnswer(500, historyErrorJson(std::string("Verlauf nicht lesbar: ") + e.what()));
        }
        {
            std::lock_guard lock(mutex_);
            busy_ = false;
        }
        idle_.notify_all();
        const QByteArray reply = webAnswerBytes(a.status, a.type, a.body, a.attachment);
        QPointer<QTcpSocket> socket = job.socket;
        QMetaObject::invokeMethod(
            context_,
            [socket, reply] {
                if (socket && socket->state() == QAbstractSocket::ConnectedState) socket->write(reply);
            },
            Qt::QueuedConnection);
    }
}

}  // namespace kub
