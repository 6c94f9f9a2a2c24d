// The web board's history answers run beside the event loop: a search that takes long
// holds up neither the board nor the decoding on that loop, and requests beyond the
// short queue are turned away at once instead of piling up.

#include <gtest/gtest.h>

#include <QTcpSocket>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "core/headless_window.h"
#include "platform/web_view_server.h"
#include "platform/web_history.h"
#include "support/qt_app.h"

namespace {

// Every search waits until the test lets it go.
class HeldHistory final : public kub::HistorySource {
public:
    std::vector<kub::ReceptionRecord> search(const kub::HistoryQuery&) override {
        std::unique_lock lock(mutex_);
        ++entered_;
        released_.wait_for(lock, std::chrono::seconds(30), [this] { return open_; });
        return {};
    }
    int entered() {
        std::lock_guard lock(mutex_);
        return entered_;
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        released_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    int entered_ = 0;
    bool open_ = false;
};

std::unique_ptr<QTcpSocket> ask(quint16 port, const char* path) {
    auto s = std::make_unique<QTcpSocket>();
    s->connectToHost(QHostAddress::LocalHost, port);
    EXPECT_TRUE(s->waitForConnected(5000));
    s->write(QByteArray("GET ") + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    return s;
}

bool answered(QTcpSocket& s, const char* statusLine) { return s.peek(64).startsWith(statusLine); }

TEST(WebHistory, LongSearchHoldsUpNeitherTheBoardNorMoreThanItsQueue) {
    kubtest::ensureQtApp();
    kub::VehicleTable vehicles;
    kub::Settings settings = kub::defaultSettings();
    kub::StationNames names{};
    kub::HeadlessWindow window;
    HeldHistory history;
    kub::WebViewServer server({&vehicles, &settings, &names, &window});
    ASSERT_EQ(server.start("127.0.0.1", 0, ""), "");
    server.setHistory(&history, nullptr);

    auto running = ask(server.port(), "/verlauf/suche?text=Brand");
    ASSERT_TRUE(kubtest::waitFor([&] { return history.entered() == 1; }));
    auto board = ask(server.port(), "/");
    EXPECT_TRUE(kubtest::waitFor([&] { return answered(*board, "HTTP/1.1 200"); })) << "the board waits for a search";

    std::vector<std::unique_ptr<QTcpSocket>> waiting;
    for (std::size_t i = 0; i < kub::WebHistory::kMaxWaiting + 1; ++i)
        waiting.push_back(ask(server.port(), "/verlauf/suche?text=Brand"));
    EXPECT_TRUE(kubtest::waitFor([&] { return answered(*waiting.back(), "HTTP/1.1 503"); }));
    EXPECT_TRUE(waiting.back()->readAll().contains("beschäftigt"));
    EXPECT_EQ(running->bytesAvailable(), 0);

    history.release();
    EXPECT_TRUE(kubtest::waitFor([&] { return answered(*running, "HTTP/1.1 200"); }));
    EXPECT_TRUE(running->readAll().contains("\"zeilen\":[]"));
    for (std::size_t i = 0; i < kub::WebHistory::kMaxWaiting; ++i)
        EXPECT_TRUE(kubtest::waitFor([&] { return answered(*waiting[i], "HTTP/1.1 200"); })) << i;
    server.setHistory(nullptr, nullptr);
}

}  // namespace
