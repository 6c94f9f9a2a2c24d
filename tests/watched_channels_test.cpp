// The reception watchdog as a running monitor wires it: the sound card's channels by
// their side, an SDR stick's channels (once the core has them) by name and frequency; and
// a receiver that delivers nothing does not stop the clock it measures silence on.

#include <gtest/gtest.h>
#include <unistd.h>

#include "core/headless_window.h"
#include "core/sdr_core_feed.h"
#include "platform/monitor_wiring.h"
#include "platform/pipe_replay.h"
#include "platform/sdr_replay.h"
#include "sdr/fd_iq_source.h"
#include "support/qt_app.h"

namespace {

TEST(WatchedChannels, AQuietChannelIsSaidOnceByTheNameItsRecordsCarry) {
    const struct {
        const char* what;
        std::vector<kub::SdrChannelEntry> sdr;
        const char* heard;
        std::vector<std::string> said;
    } cases[] = {
        {"Soundkarte", {}, "left", {"Empfangswächter: Kanal rechts seit 10 Minuten nichts dekodiert."}},
        // The sound card is not listened to beside a stick, whatever "Mon.ini" switches on.
        {"SDR",
         {{"FW", 172340000}, {"POC", 172740000}},
         "FW",
         {"Empfangswächter: Kanal POC 172.74 MHz seit 10 Minuten nichts dekodiert."}},
    };
    for (const auto& c : cases) {
        kub::ManualClock clock(1796738707);
        kub::HeadlessWindow window;
        kub::MonitorCore core(clock, window);
        const kub::SdrCoreFeed feed(core, c.sdr);
        kub::Settings settings = kub::defaultSettings();
        settings.fmsLeft = settings.fmsRight = true;
        kub::ReceptionWatchdog dog(clock, kub::watchedChannels(settings, core), 10, {});
        const kub::OutputRegistration watching = core.context.addOutput(dog);
        clock.advance(9 * 60);
        core.context.handOn(core.context.newRecord(kub::RecordProtocol::Fms, c.heard));
        clock.advance(60);
        std::vector<std::string> said;
        for (const auto& e : dog.check()) said.push_back(e.message);
        EXPECT_EQ(said, c.said) << c.what;
        clock.advance(60);
        EXPECT_TRUE(dog.check().empty()) << c.what;
    }
}

TEST(WatchedChannels, TheStreamClockKeepsUpWithTheWallClockWhileTheReceiverDeliversNothing) {
    kubtest::ensureQtApp();
    // A stick, and raw PCM on "--input -": both stalled, neither writer ever writes.
    for (const bool stick : {true, false}) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        kub::ManualClock wall(1796738707);
        kub::StreamClock stream(wall.nowSeconds());
        kub::HeadlessWindow window;
        kub::MonitorCore core(wall, window);
        std::unique_ptr<kub::SdrReplay> sdr;
        std::unique_ptr<kub::PipeReplay> pcm;
        if (stick) {
            sdr = std::make_unique<kub::SdrReplay>(
                std::make_unique<kub::FdIqSource>(fds[0], true, kub::IqFormat::Cu8), 1024000, stream, wall,
                [](std::span<const std::uint8_t>) {}, [](const std::string&) {}, 1 << 20);
            sdr->start();
        } else {
            pcm = std::make_unique<kub::PipeReplay>(core.dispatcher, fds[0], kub::RawPcmFormat{22050, 1}, stream, wall);
            pcm->start();
        }
        wall.advance(600);
        EXPECT_TRUE(kubtest::waitFor([&] { return stream.nowSeconds() >= wall.nowSeconds(); }, 5000))
            << (stick ? "SDR" : "PCM");
        if (sdr) sdr->stop();
        if (pcm) pcm->stop();
        ::close(fds[1]);
        if (!stick) ::close(fds[0]);
    }
}

}  // namespace
