// Pages with codewords that could not be read: a damaged codeword is never taken for a
// different one, a drop-out over an address opens no page, one over the text leaves a
// marked gap, and every output shows the gap and says the page is incomplete.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "common/time_text.h"
#include "core/handling/pocsag_handling.h"
#include "core/record_json.h"
#include "decoders/pocsag/pocsag_bch.h"
#include "decoders/pocsag/pocsag_blank_fill.h"
#include "decoders/pocsag/pocsag_vouch.h"
#include "siggen/pocsag_signal.h"
#include "storage/day_log.h"
#include "storage/text_file.h"
#include "support/pocsag_harness.h"
#include "support/run_process.h"

namespace {

const std::string kGap = "\u2026";

// Three to five wrong bits, in a burst or spread out, starting at every position: whatever
// the check makes of the word, it is never accepted as another codeword. Noise leaves its
// wrong bits weak; a word whose bits were all heard loud and clear (errors put in on the air)
// keeps the code's own limit, which detects three wrong bits; a word heard loud but not clear
// (hum, a voice channel's droop, a slipping clock) has its wrong bits among its weakest, as
// noise leaves them, though none of them is doubtful.
TEST(PocsagGaps, ThreeToFiveWrongBitsAreNeverAnotherCodeword) {
    const std::uint32_t sent[] = {siggen::pocsagCodeword(0x1E240u << 13), siggen::pocsagMessageCodeword(0xA5C3E),
                                  kub::kIdleCodeword};
    struct Hearing {
        float rest;   // soft size of the bits heard right
        float wrong;  // and of the wrong ones
        int mostWrong;
    };
    const Hearing hearings[] = {{0.9f, 0.35f, 5}, {0.9f, 0.45f, 5}, {0.9f, 0.9f, 3}, {0.7f, 0.6f, 5}};
    for (std::uint32_t word : sent) {
        for (int wrong : {3, 4, 5}) {
            for (int spacing : {1, 3, 7}) {
                for (const Hearing& h : hearings) {
                    if (wrong > h.mostWrong) continue;
                    for (int first = 0; first < 32; ++first) {
                        std::uint32_t received = word;
                        kub::SoftSizes sizes;
                        sizes.fill(h.rest);
                        for (int k = 0; k < wrong; ++k) {
                            const int bit = (first + k * spacing) % 32;
                            received ^= 1u << bit;
                            sizes[static_cast<std::size_t>(bit)] = h.wrong;
                        }
                        const kub::CheckedCodeword checked = kub::correctCodeword(received);
                        const bool taken = kub::vouchedFor(received, checked, sizes);
                        ASSERT_TRUE(!taken || checked.word == word)
                            << wrong << " bits from " << first << " every " << spacing;
                    }
                }
            }
        }
    }
}

// A stretch of bits blanked by a drop-out, every other bit heard loud and clear: filled in to
// the codeword sent when it is two to seven bits long, at every position; never when longer,
// when the word was heard less clearly, or when a weak bit lies apart from the stretch (a
// wrong bit of noise, which the few check bits left over could not be trusted to catch).
TEST(PocsagGaps, ADropOutsStretchIsFilledInOnlyWhenTheRestWasHeardClearly) {
    const std::uint32_t sent[] = {siggen::pocsagCodeword(0x1E240u << 13), siggen::pocsagMessageCodeword(0xA5C3E),
                                  siggen::pocsagMessageCodeword(0x0F0F1)};
    struct Hearing {
        const char* what;
        float heard;      // soft size of every heard bit
        int weakApartAt;  // a weak wrong bit this far after the stretch (0: none)
        int longestFilled;
    };
    const Hearing hearings[] = {{"clear", 0.9f, 0, 7}, {"not clear", 0.7f, 0, 0}, {"a weak bit apart", 0.9f, 3, 0}};
    for (const Hearing& h : hearings) {
        SCOPED_TRACE(h.what);
        for (std::uint32_t word : sent) {
            for (int length = 2; length <= 10; ++length) {
                for (int first = 0; first + length <= 32; ++first) {
                    std::uint32_t received = word;
                    kub::SoftSizes sizes;
                    sizes.fill(h.heard);
                    for (int bit = first; bit < first + length; ++bit) {
                        received &= ~(1u << bit);  // silence reads as zeros
                        sizes[static_cast<std::size_t>(bit)] = 0.05f;
                    }
                    const int apart = (first + length - 1 + h.weakApartAt) % 32;
                    if (h.weakApartAt > 0 && (apart < first || apart >= first + length)) {
                        received ^= 1u << apart;
                        sizes[static_cast<std::size_t>(apart)] = 0.4f;
                    }
                    const auto filled = kub::fillBlankedStretch(received, sizes);
                    if (length <= h.longestFilled) {
                        ASSERT_EQ(filled, word) << length << " bits from " << first;
                    } else {
                        ASSERT_FALSE(filled.has_value()) << length << " bits from " << first;
                    }
                }
            }
        }
    }
}

// 12 ms drop-outs (digital silence, as a squelch leaves it) in the middle of codewords of a
// page that runs over two batches. At 512 bit/s one blanks six or seven bits of a codeword,
// which are filled in from the rest: the page is read whole. At the higher rates it blanks
// 14 or 29 bits; 20 ms blank 10 or more at 512 as well. Over the first sync codeword, whose
// place nothing tells yet, the heard rest of it is enough up to 14 blanked bits.
struct DropOut {
    const char* what;
    std::vector<int> codewords;  // 0 the first sync codeword, 1 the address, 17 the second sync
    bool pageExpected;           // a page at all
    double wholeBelow;           // its text exactly as sent below this rate, else with marked gaps
    double offset = 0;           // the signal off zero by this share of its amplitude
    double seconds = 0.012;      // each drop-out's length
    double pageBelow = 1e9;      // a page only below this rate
};

class PocsagDropOut : public ::testing::TestWithParam<double> {};

TEST_P(PocsagDropOut, LosesOnlyTheCodewordsTheyHit) {
    const double rate = GetParam();
    const std::string text = "Einsatz B3 Brand Lagerhalle Industriestr. 12 Personen vermisst";
    constexpr double kAmplitude = 0.5;
    // At 2400 bit/s the drop-out blanks 29 of the sync codeword's 32 bits: a sync codeword
    // that unheard is not taken (a squelch shut for good must end the transmission), and the
    // text after it is marked missing. Four blanked codewords in the address's batch are no
    // sign of a batch read out of step. A squelch shuts to zero, not to the middle of a signal
    // sitting off zero.
    const DropOut cases[] = {{"address", {1}, false, 0},
                             {"message", {5}, true, 0},
                             {"second sync", {17}, true, 2400},
                             {"four in one batch", {3, 6, 9, 12}, true, 0},
                             {"signal off zero", {5}, true, 0, 0.3},
                             {"20 ms over the address", {1}, false, 0, 0, 0.020},
                             {"20 ms over the text", {5}, true, 0, 0, 0.020},
                             {"first sync", {0}, true, 2400, 0, 0.012, 2400}};
    for (const DropOut& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<float> signal =
            siggen::pocsagSignal({{1000000, 2, siggen::PocsagContent::Alpha, text}}, rate, kAmplitude, false);
        for (float& v : signal) v = static_cast<float>(v + c.offset * kAmplitude);
        const double samplesPerBit = kub::kSampleRate / rate;
        for (int codeword : c.codewords) {
            const double middle = (siggen::kPocsagPreambleBits + 32.0 * codeword + 16.0) * samplesPerBit;
            const double half = c.seconds / 2 * kub::kSampleRate;
            std::fill(signal.begin() + static_cast<std::ptrdiff_t>(middle - half),
                      signal.begin() + static_cast<std::ptrdiff_t>(middle + half), 0.0f);
        }
        kubtest::PocsagHarness h;
        h.context.options = kub::DecoderOptions::allOn();
        h.silence(0.3);
        h.feed(signal);
        h.silence(0.5);
        const bool filled = rate < 1000 && c.seconds < 0.015;
        if ((!c.pageExpected || rate >= c.pageBelow) && !filled) {
            EXPECT_TRUE(h.window.receptionLines.empty()) << h.window.receptionLines.front();
            continue;
        }
        ASSERT_EQ(h.window.receptionLines.size(), 1u);
        const std::string& line = h.window.receptionLines[0];
        const std::string head = "##POC#1000000#2#";
        ASSERT_EQ(line.rfind(head, 0), 0u) << line;
        const std::string got = line.substr(head.size(), line.size() - head.size() - 2);
        if (rate < c.wholeBelow || filled) {
            EXPECT_EQ(got, text);
            continue;
        }
        // One gap per drop-out, and what was read between them is the text as sent, from its
        // beginning to its end.
        std::size_t gaps = 0;
        for (std::size_t from = 0, at = 0;; ++gaps) {
            const auto gap = got.find(kGap, from);
            const std::string piece = got.substr(from, gap == std::string::npos ? gap : gap - from);
            ASSERT_LE(piece.size(), text.size()) << got;
            const auto found = gap == std::string::npos ? text.size() - piece.size() : text.find(piece, at);
            ASSERT_TRUE(found != std::string::npos && found >= at && (from > 0 || found == 0) &&
                        text.compare(found, piece.size(), piece) == 0)
                << got;
            if (gap == std::string::npos) break;
            at = found + piece.size() + 1;
            from = gap + kGap.size();
        }
        EXPECT_EQ(gaps, c.codewords.size()) << got;
    }
}

// A 12 ms drop-out anywhere in the preamble of a page at 15 dB, clear of its end, costs nothing: the
// preamble comes back, however late in a block the drop-out ends and though the sync
// codeword may follow before the decoder looks again (at 2400 bit/s both once made it take
// the silence for the end of the transmission). The lead-ins put the blocks' edges at
// five places through the preamble.
TEST_P(PocsagDropOut, InThePreambleCostsNothing) {
    const double rate = GetParam();
    const std::string text = "Alarm 5: Einsatz Hoehe";
    const std::vector<float> page = siggen::pocsagSignal({{1006800, 2, siggen::PocsagContent::Alpha, text}}, rate, 0.5, false);
    const double samplesPerBit = kub::kSampleRate / rate;
    const int dropOutBits = static_cast<int>(0.012 * rate) + 1;
    for (const double leadIn : {0.40, 0.41, 0.42, 0.43, 0.44}) {
        // Noise before the page as well, at 15 dB below it.
        std::vector<float> sent(static_cast<std::size_t>(leadIn * kub::kSampleRate), 0.0f);
        sent.insert(sent.end(), page.begin(), page.end());
        std::mt19937 random(1);
        std::normal_distribution<float> noise(0.0f, 0.5f * std::pow(10.0f, -15.0f / 20.0f));
        for (float& v : sent) v += noise(random);
        for (int bit = 8; bit + dropOutBits + 48 < siggen::kPocsagPreambleBits; bit += 8) {
            std::vector<float> signal = sent;
            const auto from = signal.begin() + static_cast<std::ptrdiff_t>(leadIn * kub::kSampleRate + bit * samplesPerBit);
            std::fill(from, from + static_cast<std::ptrdiff_t>(0.012 * kub::kSampleRate), 0.0f);
            kubtest::PocsagHarness h;
            h.context.options = kub::DecoderOptions::allOn();
            h.silence(0.1);
            h.feed(signal);
            h.silence(0.5);
            ASSERT_EQ(h.window.receptionLines, std::vector<std::string>{"##POC#1006800#2#" + text + "#+"})
                << "from bit " << bit << " after " << leadIn << " s";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, PocsagDropOut, ::testing::Values(512.0, 1200.0, 2400.0));

struct JsonOutput : kub::ReceptionOutput {
    void deliver(const kub::ReceptionRecord& record) override { lines.push_back(kub::recordJson(record)); }
    std::vector<std::string> lines;
};

class PocsagGapOutputs : public ::testing::Test {
protected:
    void SetUp() override {
        dir = kubtest::makeTempDir("kub-gap");
        std::filesystem::create_directories(dir + "/Logbuch");
    }
    void TearDown() override { kubtest::removeTree(dir); }
    std::string dir;
};

// The row, the day log (Windows-1252: the mark is byte 0x85 there and reads back as "…"),
// the export line and the JSON of a page with a gap.
TEST_F(PocsagGapOutputs, RowLogExportAndJsonShowTheGap) {
    kubtest::PocsagHarness h;
    h.context.programFolder = dir;
    h.context.tcpExportOn = true;
    JsonOutput json;
    const auto registration = h.context.addOutput(json);
    kub::PocsagRepeatMemory memory;
    const std::string text = "Brand " + kGap + "halle 3";
    kub::handlePocsagPage(h.context, memory, {"1234567", 3, text, false, 0}, "left");
    kub::handlePocsagPage(h.context, memory, {"1234568", 1, "Brandhalle 3", true, 0}, "left");

    const auto rows = h.window.rows(kub::ReceptionTable::Pocsag);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].text, "1234567\t3\t\t" + kub::dateTimeText(h.clock.now()) + "\t" + text);
    EXPECT_EQ(h.window.sentMessages.at(0), "##POC#1234567#3#" + text + "#+");

    const std::string path = kub::dayLogPath(dir, kub::LogKind::Pocsag, h.clock.now());
    const auto logLines = kub::readTextLines(path);
    ASSERT_TRUE(logLines.has_value());
    ASSERT_EQ(logLines->size(), 2u);
    EXPECT_EQ(logLines->front(), rows[1].text);
    std::ifstream raw(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(raw), {}};
    EXPECT_NE(bytes.find("Brand \x85halle 3"), std::string::npos);

    // Only the page with the gap says so; a whole page's JSON is as it always was.
    ASSERT_EQ(json.lines.size(), 2u);
    EXPECT_NE(json.lines[0].find("\"text\":\"" + text + "\""), std::string::npos) << json.lines[0];
    EXPECT_NE(json.lines[0].find("\"complete\":false"), std::string::npos) << json.lines[0];
    EXPECT_EQ(json.lines[1].find("\"complete\""), std::string::npos) << json.lines[1];
}

}  // namespace
