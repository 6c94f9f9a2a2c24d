// A transmission of several pages, as alarm networks send them: each address codeword is
// a reception of its own, with its function and its own text, at every rate, in both
// polarities and with the improvements on and off; the repeat rule per RIC; and damaged
// or stray codewords never give a page to the wrong pager.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "siggen/pocsag_signal.h"
#include "support/pocsag_harness.h"

namespace {

using kubtest::PocsagHarness;
using siggen::PocsagContent;
using siggen::PocsagMessage;

PocsagMessage alpha(std::uint32_t ric, int function, std::string text) {
    return {ric, function, PocsagContent::Alpha, std::move(text)};
}

PocsagMessage toneOnly(std::uint32_t ric, int function) { return {ric, function, PocsagContent::Tone, ""}; }

std::string line(const PocsagMessage& m) {
    return "##POC#" + std::to_string(m.ric) + "#" + std::to_string(m.function) + "#" + m.text + "#+";
}

std::vector<std::string> lines(const std::vector<PocsagMessage>& pages) {
    std::vector<std::string> out;
    for (const auto& m : pages) out.push_back(line(m));
    return out;
}

// The same alarm to two units, a tone-only page, the district chief's information (its
// address frame lies before the last one's, so it waits for the next batch) and a long
// text running over a batch end.
const std::vector<PocsagMessage> kAlarm{
    alpha(1234561, 0, "B3 Wohnhaus Hauptstr 5"),
    alpha(1234570, 1, "B3 Wohnhaus Hauptstr 5"),
    toneOnly(777772, 2),
    alpha(555555, 3, "Info Kreisbrandmeister"),
    alpha(1000004, 1, "THL 1 VU eingeklemmte Person, B 27 zwischen Nord und Süd, Rettungsdienst alarmiert"),
};

TEST(PocsagPages, EveryPageOfATransmissionIsAReceptionAtEveryRateAndPolarity) {
    for (bool improved : {false, true}) {
        for (double rate : {512.0, 1200.0, 2400.0}) {
            for (bool inverted : {false, true}) {
                SCOPED_TRACE(testing::Message() << "improved " << improved << " rate " << rate << " inverted "
                                                << inverted);
                PocsagHarness h;
                h.context.options = improved ? kub::DecoderOptions::allOn() : kub::DecoderOptions::classic();
                h.silence(0.2);
                h.feed(siggen::pocsagSignal(kAlarm, rate, 0.5, inverted));
                h.silence(2.5);
                EXPECT_EQ(h.window.receptionLines, lines(kAlarm));
                ASSERT_EQ(h.window.rows(kub::ReceptionTable::Pocsag).size(), kAlarm.size());
                // Newest on top: the last page sent is row 1.
                EXPECT_EQ(h.window.rows(kub::ReceptionTable::Pocsag)[0].text.rfind("1000004\t1\t", 0), 0u);
            }
        }
    }
}

TEST(PocsagPages, AWholeAlarmRepeatedWithin20SecondsGivesEachPageOnce) {
    PocsagHarness h;
    h.context.options = kub::DecoderOptions::allOn();
    const auto signal = siggen::pocsagSignal(kAlarm, 1200, 0.5, false);
    h.feed(signal);
    h.silence(8);
    h.feed(signal);  // the network sends it again
    h.silence(1);
    EXPECT_EQ(h.window.receptionLines, lines(kAlarm));
    h.silence(20);
    h.feed(signal);  // later than 20 s: a new alarm
    h.silence(1);
    EXPECT_EQ(h.window.receptionLines.size(), 2 * kAlarm.size());
}

TEST(PocsagPages, SixtyPagesADamagedAddressAndStrayMessagesGoToNoWrongPager) {
    // 60 pagers in one transmission, every one reported.
    std::vector<PocsagMessage> many;
    for (std::uint32_t i = 0; i < 60; ++i) many.push_back(alpha(200000 + i * 11, static_cast<int>(i % 4), "Einsatz " + std::to_string(i)));
    PocsagHarness h;
    h.context.options = kub::DecoderOptions::allOn();
    h.feed(siggen::pocsagSignal(many, 2400, 0.5, false));
    h.silence(1);
    EXPECT_EQ(h.window.receptionLines, lines(many));

    // The second address fails its check (three bits wrong, beyond repair), and message
    // codewords stand in the first batch with no address before them: the pages around
    // it keep their own RIC and text, and nothing is reported for the broken one.
    const std::vector<PocsagMessage> pages{alpha(100001, 1, "Erste"), alpha(100002, 2, "Zweite"),
                                           alpha(100003, 3, "Dritte")};
    auto words = siggen::pocsagBatches(pages);
    ASSERT_EQ(words[0], kub::kSyncCodeword);
    // Frame 0 is free in the first batch (RICs end in 1, 2, 3): stray message codewords.
    words[1] = siggen::pocsagMessageCodeword(0x55555);
    words[2] = siggen::pocsagMessageCodeword(0x2AAAA);
    const std::uint32_t second = siggen::pocsagAddressCodeword(100002, 2);
    bool found = false;
    for (auto& w : words) {
        if (w == second) {
            w ^= (1u << 30) | (1u << 22) | (1u << 13);
            found = true;
        }
    }
    ASSERT_TRUE(found);
    for (bool improved : {false, true}) {
        SCOPED_TRACE(improved);
        PocsagHarness g;
        g.context.options = improved ? kub::DecoderOptions::allOn() : kub::DecoderOptions::classic();
        g.feed(siggen::pocsagWaveform(siggen::pocsagBits(words), 1200, 0.5, false));
        g.silence(1);
        const auto& got = g.window.receptionLines;
        ASSERT_GE(got.size(), 2u);
        EXPECT_EQ(got.front(), line(pages[0]));
        EXPECT_EQ(got.back(), line(pages[2]));
        // The stray codewords never reach the first page, and no later page carries its
        // text. Classic decoding has no check bits and takes the broken address as some
        // other pager's; with error correction it is refused.
        for (std::size_t i = 1; i < got.size(); ++i) EXPECT_EQ(got[i].find("Erste"), std::string::npos) << got[i];
        if (improved) {
            EXPECT_EQ(got.size(), 2u);
        }
    }
}

}  // namespace
