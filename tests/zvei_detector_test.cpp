// The tone detector on synthetic audio, run through the real block dispatch: clean
// sequences, tone lengths at the edges of the rules, low levels, sequences following each
// other, and everything that must give no reception (silence, noise, speech-like sound,
// sweeps, lone tones, broken-off sequences).

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "core/monitor_channel.h"
#include "siggen/repeatable_random.h"
#include "siggen/zvei_signal.h"
#include "zvei_test_support.h"

namespace kub {
namespace {

using namespace zveitest;

std::vector<float> silence(double ms) {
    return std::vector<float>(static_cast<std::size_t>(std::lround(ms * 22.05)), 0.0f);
}

std::vector<float>& operator+=(std::vector<float>& a, const std::vector<float>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<float> tones(const std::vector<double>& hz, double ms, double amplitude = 0.5) {
    return siggen::toneRun(hz, ms, amplitude);
}

std::vector<std::string> decodeLeft(const std::vector<float>& left, InProcessMonitor* keep = nullptr) {
    InProcessMonitor local;
    InProcessMonitor& m = keep ? *keep : local;
    m.feed(left, {});
    return m.receptions();
}

TEST(ZveiDetector, FiveCleanTonesGiveTheirFrequencies) {
    InProcessMonitor m;
    std::vector<float> s = silence(300);
    s += tones({1060, 1160, 1270, 1400, 1530}, 70);
    s += silence(300);
    m.feed(s, {});
    EXPECT_EQ(m.receptions(), std::vector<std::string>{"##ZVEI#12345##+"});
    const auto& got = m.core.left().decoders().zvei().lastTones();
    const double want[5] = {1060, 1160, 1270, 1400, 1530};
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(got[static_cast<std::size_t>(i)], want[i], want[i] * 0.01) << i;
    EXPECT_EQ(m.core.left().decoders().zvei().collectedTones(), 0);
}

TEST(ZveiDetector, EveryDigitAtToneLengthsFromSixtyToEightyMs) {
    for (double ms : {60.0, 65.0, 70.0, 75.0, 80.0}) {
        std::vector<float> s = silence(200);
        const std::vector<std::string> codes = {"12345", "67890", "24680", "13579", "90817"};
        std::vector<std::string> want;
        for (const auto& c : codes) {
            s += siggen::zveiSequence(c, 0.5, ms);
            s += silence(400);
            want.push_back("##ZVEI#" + c + "##+");
        }
        EXPECT_EQ(decodeLeft(s), want) << ms << " ms";
    }
}

TEST(ZveiDetector, LongFirstTonesAreNotCollectedButTheFifthMayBeLong) {
    // Four tones of 150 ms run too long to be tones of a sequence.
    std::vector<float> s = silence(200);
    s += tones({1060, 1160, 1270, 1400, 1530}, 150);
    s += silence(500);
    EXPECT_TRUE(decodeLeft(s).empty());

    for (double fifthMs : {70.0, 500.0, 2000.0, 3000.0, 6000.0}) {
        std::vector<float> t = silence(200);
        auto head = tones({1060, 1160, 1270, 1400, 1530}, 70);
        head.resize(head.size() - 1544);  // keep four tones ...
        t += head;
        // ... and a fifth one of the given length, phase-continuous enough for the test.
        t += tones({1530}, fifthMs);
        t += silence(400);
        EXPECT_EQ(decodeLeft(t), std::vector<std::string>{"##ZVEI#12345##+"}) << fifthMs << " ms";
    }
}

TEST(ZveiDetector, FifthToneLongerThanTheBlockRingIsReadFromItsOwnBlocks) {
    // Around 2.3 s the fifth tone's first blocks have been overwritten in the ring; its
    // frequency must still come from the tone, not from whatever followed it.
    for (double fifthMs = 2280; fifthMs < 2420; fifthMs += 4.5) {
        std::vector<float> t = silence(200);
        t += tones({1060, 1160, 1270, 1400}, 70);
        t += tones({1530}, fifthMs);
        t += silence(400);
        EXPECT_EQ(decodeLeft(t), std::vector<std::string>{"##ZVEI#12345##+"}) << fifthMs << " ms";
    }
}

TEST(ZveiDetector, LowLevelsStillDecode) {
    // About 30 and 10 steps of the 16-bit scale; sample steps get below 1 near the peaks.
    for (double amplitude : {0.001, 0.0003}) {
        std::vector<float> s = silence(300);
        s += siggen::zveiSequence("45678", amplitude);
        s += silence(300);
        EXPECT_EQ(decodeLeft(s), std::vector<std::string>{"##ZVEI#45678##+"}) << amplitude;
    }
    // A tone of about one step: whatever comes of it, it must not crash.
    std::vector<float> tiny = silence(100);
    tiny += siggen::zveiSequence("45678", 1.2 / 32767);
    decodeLeft(tiny);
}

TEST(ZveiDetector, SequencesBackToBackAndOnBothChannels) {
    // The second sequence starts right where the first one's last tone ends.
    std::vector<float> left = silence(200);
    left += tones({1060, 1160, 1270, 1400, 1530, 1670, 1830, 2000, 2200, 2400}, 70);
    left += silence(300);
    std::vector<float> right = silence(500);
    right += siggen::zveiSequence("12345", 0.4);
    right += silence(300);
    right += siggen::zveiSequence("99000", 0.4);
    right += silence(300);
    InProcessMonitor m;
    m.feed(left, right);
    // The same code on the other channel is that channel's own reception.
    EXPECT_EQ(m.receptions(), (std::vector<std::string>{"##ZVEI#12345##+", "##ZVEI#12345##+",
                                                         "##ZVEI#67890##+", "##ZVEI#99000##+"}));
}

TEST(ZveiDetector, DecodesInModerateNoise) {
    std::vector<float> s = silence(300);
    std::vector<std::string> want;
    for (const char* c : {"12345", "67890", "11223", "40404"}) {
        s += siggen::zveiSequence(c, 0.3);
        s += silence(500);
        want.push_back(std::string("##ZVEI#") + c + "##+");
    }
    siggen::RepeatableRandom rng(7);
    for (auto& v : s) v += static_cast<float>(rng.gaussian(0.3 / std::sqrt(2.0) * 0.1));  // 20 dB SNR
    EXPECT_EQ(decodeLeft(s), want);
}

// Speech-like sound: a voiced pitch wandering between 90 and 220 Hz, formants moving,
// syllables of about a quarter second.
std::vector<float> speechLike(double seconds, unsigned seed) {
    siggen::RepeatableRandom rng(seed);
    const auto n = static_cast<std::size_t>(seconds * 22050);
    std::vector<float> out(n);
    double phase = 0, pitch = 140, target = 140;
    double f1 = 500, f2 = 1500, f3 = 2500;
    for (std::size_t i = 0; i < n; ++i) {
        if (i % 2205 == 0) {
            target = 90 + 130 * rng.uniform();
            f1 = 300 + 600 * rng.uniform();
            f2 = 900 + 1500 * rng.uniform();
            f3 = 2200 + 800 * rng.uniform();
        }
        pitch += (target - pitch) * 0.001;
        phase += 2 * std::numbers::pi * pitch / 22050;
        double v = 0;
        for (int h = 1; h * pitch < 3800; ++h) {
            const double f = h * pitch;
            const double g = 1.0 / (1 + std::pow((f - f1) / 120, 2)) + 0.6 / (1 + std::pow((f - f2) / 150, 2)) +
                             0.3 / (1 + std::pow((f - f3) / 200, 2));
            v += g * std::sin(h * phase);
        }
        const double syllable = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / 5512.0);
        out[i] = static_cast<float>(0.15 * syllable * v + 0.01 * (rng.uniform() - 0.5));
    }
    return out;
}

std::vector<float> sweep(double fromHz, double toHz, double seconds, double amplitude) {
    const auto n = static_cast<std::size_t>(seconds * 22050);
    std::vector<float> out(n);
    double phase = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double f = fromHz + (toHz - fromHz) * static_cast<double>(i) / static_cast<double>(n);
        phase += 2 * std::numbers::pi * f / 22050;
        out[i] = static_cast<float>(amplitude * std::sin(phase));
    }
    return out;
}

TEST(ZveiDetector, NoReceptionFromSilenceNoiseSpeechOrSweeps) {
    EXPECT_TRUE(decodeLeft(silence(20000)).empty());

    siggen::RepeatableRandom rng(3);
    for (float rms : {0.0001f, 0.01f, 0.3f}) {
        std::vector<float> s(22050 * 10);
        for (auto& v : s) v = static_cast<float>(rng.gaussian(rms));
        EXPECT_TRUE(decodeLeft(s).empty()) << "noise " << rms;
    }
    for (unsigned seed : {1u, 2u, 3u}) EXPECT_TRUE(decodeLeft(speechLike(15, seed)).empty()) << seed;

    for (double secs : {0.3, 2.0, 10.0}) {
        EXPECT_TRUE(decodeLeft(sweep(300, 3000, secs, 0.5)).empty()) << secs;
        EXPECT_TRUE(decodeLeft(sweep(3000, 300, secs, 0.5)).empty()) << secs;
    }
    // Full scale, clipped square-ish input.
    auto loud = sweep(500, 2500, 3, 3.0);
    EXPECT_TRUE(decodeLeft(loud).empty());
}

TEST(ZveiDetector, NoReceptionFromLoneTonesOfAnyLength) {
    for (double hz : {1060.0, 1400.0, 1830.0, 2400.0, 2600.0, 2800.0, 810.0}) {
        std::vector<float> s = silence(200);
        for (double ms : {10.0, 40.0, 70.0, 100.0, 150.0, 400.0, 1500.0, 5000.0}) {
            s += tones({hz}, ms);
            s += silence(300);
        }
        EXPECT_TRUE(decodeLeft(s).empty()) << hz;
    }
}

TEST(ZveiDetector, BrokenOffSequencesAreDropped) {
    std::vector<float> s = silence(200);
    const std::vector<double> digits = {1060, 1160, 1270, 1400, 1530};
    for (std::size_t k = 1; k <= 4; ++k) {
        s += tones(std::vector<double>(digits.begin(), digits.begin() + static_cast<long>(k)), 70);
        s += silence(150);
    }
    // Four tones, a gap of about 60 ms, then one tone: no five-tone sequence either.
    s += tones({1670, 1830, 2000, 2200}, 70);
    s += silence(60);
    s += tones({2400}, 70);
    s += silence(300);
    // Four tones and then noise instead of the fifth.
    s += tones({1060, 1160, 1270, 1400}, 70);
    siggen::RepeatableRandom rng(11);
    for (int i = 0; i < 22050; ++i) s.push_back(static_cast<float>(rng.gaussian(0.3)));
    s += silence(300);
    EXPECT_TRUE(decodeLeft(s).empty());

    // After all that, a complete sequence still decodes.
    s += siggen::zveiSequence("12345", 0.5);
    s += silence(300);
    EXPECT_EQ(decodeLeft(s), std::vector<std::string>{"##ZVEI#12345##+"});
}

}  // namespace
}  // namespace kub
