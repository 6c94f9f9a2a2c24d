#pragma once
// The data behind the web board's pages "Verlauf" and "Statuszeiten", answered from the
// stored receptions. A search may take a while (a district's PostgreSQL, a year of
// statuses), and the event loop it would otherwise run on also carries the decoding: so
// every search runs on a thread of its own, one at a time, from a short queue; a request
// beyond it is turned away at once ("beschäftigt"), and the answer goes to its connection
// when it is ready, or nowhere if the browser has gone meanwhile.

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "common/clock.h"
#include "history/history_source.h"
#include "storage/receiver_list.h"
#include "storage/settings.h"

class QObject;
class QTcpSocket;

namespace kub {

class WebHistory {
public:
    static constexpr std::size_t kMaxWaiting = 8;

    // `context` lives on the event loop's thread; answers are written from there.
    WebHistory(QObject* context, const Settings* settings, const Clock& clock);
    ~WebHistory();
    WebHistory(const WebHistory&) = delete;
    WebHistory& operator=(const WebHistory&) = delete;

    // Event loop only. Waits for a search under way on the old source, so the caller may
    // destroy that one afterwards. None: the pages say that no history is set up.
    void setSource(HistorySource* source, const ReceiverLists* receivers);

    // True when `path` is one of the history's data addresses: the answer is then on its way.
    bool answer(const QString& path, std::string_view query, QTcpSocket* socket);

    struct Answer {
        int status = 200;
        QByteArray type;
        QByteArray body;
        QByteArray attachment;
    };

private:
    void queue(QTcpSocket* socket, std::function<Answer(HistorySource&)> work);
    void run();

    // Event loop's thread.
    QObject* context_;
    const Settings* settings_;
    const Clock& clock_;
    const ReceiverLists* receivers_ = nullptr;

    // Shared with the worker, under mutex_.
    struct Job {
        QPointer<QTcpSocket> socket;
        std::function<Answer(HistorySource&)> work;
    };
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> jobs_;
    HistorySource* source_ = nullptr;
    bool stopping_ = false;
    bool busy_ = false;  // a search is running on source_

    std::thread worker_;
};

}  // namespace kub
