// The way of an SDR stick's IQ to the decoders and what comes out per channel: the queue
// drops the oldest when the decoders fall behind (and says so once), the same page on two
// SDR channels within 3 s is one record listing both, the channel's cell in day log lines
// reads back.

#include <gtest/gtest.h>
#include <unistd.h>

#include <numeric>
#include <string>
#include <vector>

#include "core/channel_cell.h"
#include "core/handling/same_page_merge.h"
#include "sdr/fd_iq_source.h"
#include "sdr/iq_pump.h"
#include "support/mqtt_broker.h"

namespace kub {
namespace {

TEST(IqQueue, SlowDecodingLosesTheOldestAndSaysSoOnce) {
    // The decoding takes nothing until the source has ended: the slowest consumer there is.
    constexpr std::size_t kLimit = 100000;
    constexpr std::size_t kTotal = 1000000;
    IqQueue queue(kLimit);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::vector<std::string> said;
    IqPump pump(std::make_unique<FdIqSource>(fds[0], true, IqFormat::Cu8), queue,
                [&said](const std::string& line) { said.push_back(line); }, [] {});
    pump.start();
    std::vector<std::uint8_t> bytes(kTotal);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    // An odd cut: the pump keeps I and Q of a pair together across reads.
    ASSERT_EQ(::write(fds[1], bytes.data(), 333), 333);
    for (std::size_t at = 333; at < kTotal;) {
        const ssize_t n = ::write(fds[1], bytes.data() + at, std::min<std::size_t>(kTotal - at, 65536));
        ASSERT_GT(n, 0);
        at += static_cast<std::size_t>(n);
    }
    ::close(fds[1]);
    // Only now does the decoding look.
    ASSERT_TRUE(kubtest::waitUntil([&] { return queue.bytesHeld() + queue.bytesDropped() == kTotal; }, 20));
    std::vector<std::uint8_t> got;
    while (!queue.finished())
        if (auto chunk = queue.pop(std::chrono::milliseconds(100))) {
            EXPECT_EQ(chunk->size() % 2, 0u);
            got.insert(got.end(), chunk->begin(), chunk->end());
        }
    pump.stop();
    EXPECT_LE(got.size(), kLimit);
    EXPECT_EQ(got.size() + queue.bytesDropped(), kTotal);
    // What is left is the newest air time, in one piece.
    ASSERT_FALSE(got.empty());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.end() - static_cast<long>(got.size())));
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("ältesten IQ-Daten werden verworfen"), std::string::npos);
}

// A page of `channel`, heard `at` seconds in.
struct Heard {
    double at;
    std::string channel;
    std::string text = "B3 Wohnungsbrand";
    std::int64_t frequency = 172340000;
};

struct MergeCase {
    const char* name;
    std::vector<Heard> heard;
    std::vector<std::vector<std::string>> records;  // the channels of each record handed on
};

TEST(SamePageMerge, SamePageOnTwoChannelsWithinThreeSecondsIsOneRecord) {
    const std::vector<MergeCase> cases = {
        {"within 3 s", {{0, "A"}, {2.9, "B"}}, {{"A", "B"}}},
        {"three channels", {{0, "A"}, {0.1, "C"}, {1, "B"}}, {{"A", "C", "B"}}},
        {"after 3 s", {{0, "A"}, {3.1, "B"}}, {{"A"}, {"B"}}},
        {"other text", {{0, "A"}, {1, "B", "B3 Kaminbrand"}}, {{"A"}, {"B"}}},
        {"sound card", {{0, "left", "x", 0}, {1, "right", "x", 0}}, {{}, {}}},
    };
    for (const auto& c : cases) {
        std::vector<ReceptionRecord> out;
        SamePageMerge merge([&out](const ReceptionRecord& r) { out.push_back(r); });
        merge.setShared(true);
        for (const Heard& h : c.heard) {
            merge.tick(h.at);
            ReceptionRecord r;
            r.protocol = RecordProtocol::Pocsag;
            r.ric = "1234567";
            r.function = 3;
            r.channel = h.channel;
            r.frequency = h.frequency;
            r.text = h.text;
            merge.take(r, h.at);
        }
        merge.tick(c.heard.back().at + SamePageMerge::kWindowSeconds + 0.5);
        EXPECT_EQ(merge.held(), 0u) << c.name;
        ASSERT_EQ(out.size(), c.records.size()) << c.name;
        for (std::size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i].channels, c.records[i]) << c.name;
    }
}

TEST(ChannelCell, ReadsBackWhatItWrites) {
    const std::vector<std::pair<std::int64_t, std::string>> cases = {
        {172340000, "Kanal FW Nord 172.34 MHz"}, {85012500, "Kanal FW Nord 85.0125 MHz"}, {1, "Kanal FW Nord 0.000001 MHz"}};
    for (const auto& [hz, text] : cases) {
        EXPECT_EQ(channelCell("FW,Nord", hz), text);
        std::string name;
        std::int64_t back = 0;
        ASSERT_TRUE(readChannelCell(text, name, back)) << text;
        EXPECT_EQ(name, "FW Nord");
        EXPECT_EQ(back, hz);
    }
    EXPECT_EQ(channelCell("left", 0), "");
    std::string name;
    std::int64_t hz = 0;
    for (const char* no : {"Kanal  MHz", "Kanal x 1.2.3 MHz", "Kanal x . MHz", "B3 Brand", "Kanal x 99999999 MHz"})
        EXPECT_FALSE(readChannelCell(no, name, hz)) << no;
}

}  // namespace
}  // namespace kub
