// A stick that delivers nothing (pulled, hung USB) must not stop the time: the reception
// watchdog measures a channel's silence on the run's stream clock.

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "platform/sdr_replay.h"
#include "support/qt_app.h"

namespace {

class SilentStick final : public kub::IqSource {
public:
    std::size_t read(std::span<std::uint8_t>) override {
        std::unique_lock lock(mutex_);
        stopped_.wait(lock, [this] { return stop_; });
        return 0;
    }
    void stop() override {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        stopped_.notify_all();
    }
    kub::IqFormat format() const override { return kub::IqFormat::Cu8; }

private:
    std::mutex mutex_;
    std::condition_variable stopped_;
    bool stop_ = false;
};

TEST(SdrReplay, TheStreamClockKeepsUpWithTheWallClockWhileTheStickDeliversNothing) {
    kubtest::ensureQtApp();
    kub::ManualClock wall(1796738707);
    kub::StreamClock stream(wall.nowSeconds());
    kub::SdrReplay replay(std::make_unique<SilentStick>(), 1024000, stream, wall, [](std::span<const std::uint8_t>) {},
                          [](const std::string&) {}, 1 << 20);
    replay.start();
    wall.advance(600);
    EXPECT_TRUE(kubtest::waitFor([&] { return stream.nowSeconds() >= wall.nowSeconds(); }, 5000));
    replay.stop();
    EXPECT_EQ(replay.bytesDecoded(), 0u);
}

}  // namespace
