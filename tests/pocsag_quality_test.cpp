// POCSAG with our decoding improvements switched on: codeword correction, tolerant sync,
// input low-pass and the batch-aware end of transmission, each against the classic
// decoder on the same audio.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "decoders/pocsag/pocsag_bch.h"
#include "siggen/mixed_traffic.h"
#include "siggen/pocsag_signal.h"
#include "siggen/repeatable_random.h"
#include "support/pocsag_harness.h"

namespace {

using kubtest::PocsagHarness;
using siggen::PocsagContent;
using siggen::PocsagMessage;

PocsagMessage alpha(std::uint32_t ric, int function, std::string text, bool zeroFill = false) {
    PocsagMessage m{ric, function, PocsagContent::Alpha, std::move(text)};
    m.zeroFill = zeroFill;
    return m;
}

std::string line(std::uint32_t ric, int function, const std::string& text) {
    return "##POC#" + std::to_string(ric) + "#" + std::to_string(function) + "#" + text + "#+";
}

// Decodes audio with our improvements on or off; returns the export lines.
std::vector<std::string> decode(const std::vector<float>& audio, bool improved, double tailSeconds = 1.5) {
    PocsagHarness h;
    h.context.options = improved ? kub::DecoderOptions::allOn() : kub::DecoderOptions::classic();
    h.silence(0.2);
    h.feed(audio);
    h.silence(tailSeconds);
    return h.window.receptionLines;
}

std::vector<float> audioOf(const std::vector<std::uint32_t>& codewords, double rate, bool inverted = false) {
    return siggen::pocsagWaveform(siggen::pocsagBits(codewords), rate, 0.5, inverted);
}

// Position of the first codeword of the batches that is neither sync nor idle (the
// address of a single message).
std::size_t addressIndex(const std::vector<std::uint32_t>& words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] != siggen::kPocsagSync && words[i] != siggen::kPocsagIdle) return i;
    }
    return words.size();
}

TEST(PocsagCorrection, OneAndTwoBitErrorsAreMendedThreeAreRefused) {
    const std::vector<std::uint32_t> valid{siggen::pocsagAddressCodeword(1234567, 3),
                                           siggen::pocsagMessageCodeword(0xABCDE), siggen::kPocsagIdle,
                                           siggen::kPocsagSync, siggen::pocsagMessageCodeword(0)};
    for (std::uint32_t word : valid) {
        SCOPED_TRACE(word);
        const kub::CheckedCodeword clean = kub::correctCodeword(word);
        EXPECT_EQ(clean.check, kub::CodewordCheck::Clean);
        EXPECT_EQ(clean.word, word);
        for (int i = 0; i < 32; ++i) {
            const kub::CheckedCodeword one = kub::correctCodeword(word ^ (1u << i));
            EXPECT_EQ(one.check, kub::CodewordCheck::Corrected);
            EXPECT_EQ(one.word, word);
            EXPECT_EQ(one.flipped, 1);
            for (int j = i + 1; j < 32; ++j) {
                const kub::CheckedCodeword two = kub::correctCodeword(word ^ (1u << i) ^ (1u << j));
                ASSERT_EQ(two.check, kub::CodewordCheck::Corrected) << i << " " << j;
                ASSERT_EQ(two.word, word) << i << " " << j;
                EXPECT_EQ(two.flipped, 2);
                for (int k = j + 1; k < 32; ++k) {
                    const std::uint32_t damaged = word ^ (1u << i) ^ (1u << j) ^ (1u << k);
                    const kub::CheckedCodeword three = kub::correctCodeword(damaged);
                    ASSERT_EQ(three.check, kub::CodewordCheck::Failed) << i << " " << j << " " << k;
                    ASSERT_EQ(three.word, damaged);
                }
            }
        }
    }
}

TEST(PocsagCorrection, DamagedCodewordsInTheAirDecodeOnlyWithCorrection) {
    const std::uint32_t ric = 987651;
    const std::string text = "Brand Lagerhalle, Zufahrt Nord";
    for (double rate : {512.0, 1200.0, 2400.0}) {
        SCOPED_TRACE(rate);
        const auto sent = siggen::pocsagBatches({alpha(ric, 2, text)});
        const std::size_t at = addressIndex(sent);
        ASSERT_LT(at + 2, sent.size());

        // Two bits wrong in the address and in two message codewords.
        auto twice = sent;
        twice[at] ^= (1u << 30) | (1u << 14);
        twice[at + 1] ^= (1u << 25) | (1u << 3);
        twice[at + 2] ^= 1u | (1u << 31);
        EXPECT_EQ(decode(audioOf(twice, rate), true), std::vector<std::string>{line(ric, 2, text)});
        // Classic decoding has no check bits: the address reads wrong, and the message
        // codeword whose flag bit flipped reads as an address of its own.
        const auto classic = decode(audioOf(twice, rate), false);
        ASSERT_GE(classic.size(), 1u);
        EXPECT_NE(classic[0], line(ric, 2, text));

        // One bit wrong in the address.
        auto once = sent;
        once[at] ^= 1u << 20;
        EXPECT_EQ(decode(audioOf(once, rate), true), std::vector<std::string>{line(ric, 2, text)});

        // Three bits wrong in the address: no RIC rather than a wrong one.
        auto thrice = sent;
        thrice[at] ^= (1u << 30) | (1u << 22) | (1u << 13);
        EXPECT_TRUE(decode(audioOf(thrice, rate), true).empty());
        // The classic decoder takes the damaged address as it reads.
        const auto wrong = decode(audioOf(thrice, rate), false);
        ASSERT_EQ(wrong.size(), 1u);
        EXPECT_EQ(wrong[0].rfind("##POC#" + std::to_string(ric) + "#", 0), std::string::npos) << wrong[0];
    }
}

TEST(PocsagCorrection, MessageCodewordBeyondRepairLeavesAMarkedGap) {
    const std::uint32_t ric = 4704;  // frame 0: the message codewords follow in the same batch
    const std::string text = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const auto sent = siggen::pocsagBatches({alpha(ric, 0, text)});
    const std::size_t at = addressIndex(sent);
    auto damaged = sent;
    // Three data bits of the second message codeword: with correction the characters with
    // a bit in it become one gap mark (the first codeword's 20 bits carry two whole
    // characters, the second's end in the sixth) and the text goes on after it; classic
    // takes the changed characters as they read and the rest after them.
    damaged[at + 2] ^= (1u << 30) | (1u << 29) | (1u << 28);
    EXPECT_EQ(decode(audioOf(damaged, 1200), true), std::vector<std::string>{line(ric, 0, "AB\u2026GHIJKLMNOPQRSTUVWXYZ")});
    const auto classic = decode(audioOf(damaged, 1200), false);
    ASSERT_EQ(classic.size(), 1u);
    EXPECT_NE(classic[0], line(ric, 0, text));
    EXPECT_EQ(classic[0].rfind("##POC#4704#0#AB", 0), 0u) << classic[0];
    EXPECT_EQ(classic[0].substr(classic[0].size() - 8), "UVWXYZ#+") << classic[0];
}

TEST(PocsagCorrection, SyncCodewordWithBitErrorsStillStartsTheBatch) {
    const std::uint32_t ric = 1008;
    const std::string text = "Sync mit Fehlern";
    for (bool inverted : {false, true}) {
        SCOPED_TRACE(inverted);
        auto words = siggen::pocsagBatches({alpha(ric, 1, text)});
        ASSERT_EQ(words[0], siggen::kPocsagSync);
        words[0] ^= (1u << 27) | (1u << 4);
        EXPECT_EQ(decode(audioOf(words, 1200, inverted), true), std::vector<std::string>{line(ric, 1, text)});
        EXPECT_TRUE(decode(audioOf(words, 1200, inverted), false).empty());
    }
}

// Longest run of equal bits a zero-filled message puts on the air.
int longestRun(const std::string& text) {
    const auto bits = siggen::pocsagBits(siggen::pocsagBatches({alpha(123456, 3, text, true)}));
    int run = 1, longest = 0;
    for (std::size_t i = 1; i < bits.size(); ++i) {
        run = bits[i] == bits[i - 1] ? run + 1 : 1;
        longest = std::max(longest, run);
    }
    return longest;
}

TEST(PocsagEnd, ZeroFilledLastCodewordKeepsItsTextOnlyWithTheBatchAwareEnd) {
    // Texts of growing length move the end of the text through the last codeword; where
    // the zero fill makes a run of 20 equal bits, the classic lock test may take it for
    // the carrier going away, and the message is never closed: RIC without its text.
    int classicLost = 0, longRuns = 0;
    for (int n = 0; n < 40; ++n) {
        const std::string text = "Einsatz " + std::string(static_cast<std::size_t>(n), 'A') + "Z";
        if (longestRun(text) < 20) continue;
        ++longRuns;
        for (double rate : {512.0, 1200.0, 2400.0}) {
            for (bool inverted : {false, true}) {
                SCOPED_TRACE(text + " " + std::to_string(rate) + (inverted ? " inverted" : ""));
                const auto audio = siggen::pocsagSignal({alpha(123456, 3, text, true)}, rate, 0.5, inverted);
                EXPECT_EQ(decode(audio, true), std::vector<std::string>{line(123456, 3, text)});
                const auto classic = decode(audio, false);
                ASSERT_EQ(classic.size(), 1u);
                if (classic[0] == line(123456, 3, "\u2026")) {
                    ++classicLost;
                } else {
                    EXPECT_EQ(classic[0], line(123456, 3, text));
                }
            }
        }
    }
    std::printf("[ zero fill ] %d texts with a run of 20 bits, classic lost %d of %d texts\n", longRuns, classicLost,
                6 * longRuns);
    EXPECT_GE(longRuns, 3);
    EXPECT_GE(classicLost, 1);
}

TEST(PocsagEnd, RealEndIsNoticedWithinAboutOneBatch) {
    for (double rate : {512.0, 1200.0, 2400.0}) {
        SCOPED_TRACE(rate);
        PocsagHarness h;
        h.context.options = kub::DecoderOptions::allOn();
        h.silence(0.2);
        h.feed(siggen::pocsagSignal({alpha(2000, 0, "Ende")}, rate, 0.5, false));
        EXPECT_NE(h.decoder.bitState().pocsagState, kub::PocsagPhase::Hunting);
        // One batch is 544 bits; the end must be seen after a little more than that.
        h.silence(1.25 * 544 / rate);
        EXPECT_EQ(h.window.receptionLines, std::vector<std::string>{line(2000, 0, "Ende")});
        EXPECT_EQ(h.decoder.bitState().pocsagState, kub::PocsagPhase::Hunting);
        EXPECT_EQ(h.flags.pocsagBusy, false);
    }
}

TEST(PocsagEnd, MessagesOverSeveralBatchesAndBackToBackTransmissions) {
    const std::string longText(160, 'x');
    for (double rate : {512.0, 1200.0, 2400.0}) {
        SCOPED_TRACE(rate);
        PocsagHarness h;
        h.context.options = kub::DecoderOptions::allOn();
        h.silence(0.2);
        h.feed(siggen::pocsagSignal({alpha(3001, 1, longText, true)}, rate, 0.5, false));
        h.silence(0.3);
        h.feed(siggen::pocsagSignal({alpha(3002, 2, "zweite", true)}, rate, 0.5, true));
        h.silence(2.5);
        EXPECT_EQ(h.window.receptionLines, (std::vector<std::string>{line(3001, 1, longText), line(3002, 2, "zweite")}));
    }
}

TEST(PocsagImproved, CleanSignalsDecodeExactlyAtEveryRateAndPolarity) {
    const std::string text = "Brand 3: Musterstraße 12, Höhe Ölmühle äöü ÄÖÜ";
    for (double rate : {512.0, 1200.0, 2400.0}) {
        for (bool inverted : {false, true}) {
            for (double amplitude : {0.05, 0.9}) {
                SCOPED_TRACE(std::to_string(rate) + (inverted ? " inverted " : " ") + std::to_string(amplitude));
                PocsagHarness h;
                h.context.options = kub::DecoderOptions::allOn();
                h.silence(0.2);
                h.feed(siggen::pocsagSignal({alpha(1234567, 3, text), {1008, 1, PocsagContent::Tone, ""}}, rate,
                                            amplitude, inverted));
                h.silence(0.6);
                h.feed(siggen::pocsagSignal({{55, 2, PocsagContent::Tone, ""}}, rate, amplitude, !inverted));
                h.silence(2.5);
                EXPECT_EQ(h.window.receptionLines,
                          (std::vector<std::string>{line(1234567, 3, text), line(1008, 1, ""), line(55, 2, "")}));
            }
        }
    }
}

TEST(PocsagImproved, NoiseAloneGivesNoReception) {
    PocsagHarness h;
    h.context.options = kub::DecoderOptions::allOn();
    siggen::RepeatableRandom rng(7);
    std::vector<float> audio(static_cast<std::size_t>(60 * 22050));
    for (float& v : audio) v = static_cast<float>(rng.gaussian(0.2));
    h.feed(audio);
    EXPECT_TRUE(h.window.receptionLines.empty());
}

TEST(PocsagImproved, PreambleMeasuredShortAfterNoiseStillStartsTheClockAtTheStandardRate) {
    // FMS, ZVEI and noise before a 2400 bit/s page leave short runs in the preamble
    // measurement, so it can come out 7 % and even 15 % short of the real bit length. A
    // clock started at that length and held near it never locks: the page was lost
    // outright (found by the soak, a few pages in ten thousand, every one at 2400 bit/s).
    // Those cycles and their neighbours, whole channel as recorded: each page exactly.
    const std::pair<long, bool> cases[] = {{205, false}, {206, false}, {207, false}, {2277, true},
                                           {2278, true}, {3262, true}, {3307, true}, {3308, true}};
    for (const auto& [cycle, right] : cases) {
        SCOPED_TRACE(std::to_string(cycle) + (right ? " rechts" : " links"));
        const siggen::TrafficCycle c = siggen::mixedTrafficCycle(cycle, 0.01);
        PocsagHarness h;
        h.context.options = kub::DecoderOptions::allOn();
        h.feed(right ? c.track.right() : c.track.left());
        h.silence(1.5);
        std::string expected;
        for (const auto& e : c.expected)
            if (e.kind == siggen::TrafficKind::Pocsag &&
                e.linePrefix.find(right ? " rechts#" : " links#") != std::string::npos)
                expected = e.linePrefix;
        EXPECT_EQ(h.window.receptionLines, std::vector<std::string>{expected});
    }
}

TEST(PocsagImproved, BitClockReadsAt4DbAndFollowsATransmitterOffItsRate) {
    // Pages at each rate under white noise 4 dB below them, and pages from a transmitter
    // 1.5 % off its rate: the bit clock starts at the standard rate and follows.
    for (double rate : {512.0, 1200.0, 2400.0}) {
        for (const auto& [snrDb, drift] : {std::pair{4.0, 1.0}, std::pair{99.0, 1.015}, std::pair{99.0, 0.985}}) {
            SCOPED_TRACE(std::to_string(rate) + " " + std::to_string(snrDb) + " " + std::to_string(drift));
            siggen::RepeatableRandom rng(static_cast<std::uint64_t>(rate));
            std::vector<float> audio;
            std::vector<std::string> sent;
            double energy = 0;
            std::size_t n = 0;
            for (int p = 0; p < 6; ++p) {
                const auto ric = static_cast<std::uint32_t>(200000 + 4099 * p + rng.between(0, 99));
                const std::string text = "Einsatz " + std::to_string(p) + ": Brand Lagerhalle B 27";
                const auto s = siggen::pocsagSignal({alpha(ric, p % 4, text)}, rate * drift, 0.5, p % 2 == 1);
                for (float v : s) energy += static_cast<double>(v) * v;
                n += s.size();
                audio.insert(audio.end(), 11025, 0.0f);
                audio.insert(audio.end(), s.begin(), s.end());
                sent.push_back(line(ric, p % 4, text));
            }
            audio.insert(audio.end(), 22050, 0.0f);
            if (snrDb < 90) {
                const double sigma = std::sqrt(energy / static_cast<double>(n) / std::pow(10.0, snrDb / 10));
                for (float& v : audio) v = static_cast<float>(v + rng.gaussian(sigma));
            }
            const auto got = decode(audio, true);
            int right = 0;
            for (const auto& g : got) {
                EXPECT_NE(std::find(sent.begin(), sent.end(), g), sent.end()) << g;
                right += std::find(sent.begin(), sent.end(), g) != sent.end() ? 1 : 0;
            }
            EXPECT_GE(right, 5);
        }
    }
}

}  // namespace
