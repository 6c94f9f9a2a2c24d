// The decoder options of FMS and ZVEI: the band-pass in front of both decoders and the
// FMS check bits. Clean signals must decode exactly as before, noisy ones better, and a
// telegram whose check bits do not fit must not reach the board.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/band_pass_filter.h"
#include "decoders/fms/fms_telegram.h"
#include "decoders/zvei/zvei_decoder.h"
#include "siggen/fms_signal.h"
#include "siggen/repeatable_random.h"
#include "siggen/zvei_signal.h"
#include "support/fms_support.h"
#include "support/run_process.h"
#include "zvei_test_support.h"

namespace kub {
namespace {

std::string fmsLine(const siggen::FmsTelegram& t) {
    return "##FMS#" + t.kennung + "#" + std::to_string(t.status) + "#" + std::to_string(t.tki) +
           std::to_string(t.direction) + "#+";
}

// White Gaussian noise over the whole band, `snrDb` below the power of a sine of
// amplitude `amplitude`.
void addNoise(std::vector<float>& signal, double amplitude, double snrDb, unsigned seed) {
    siggen::RepeatableRandom rng(seed);
    const double sigma = std::sqrt(amplitude * amplitude / 2.0 / std::pow(10.0, snrDb / 10.0));
    for (float& v : signal) v = static_cast<float>(v + rng.gaussian(sigma));
}

void append(std::vector<float>& out, const std::vector<float>& piece, std::size_t gapSamples) {
    out.insert(out.end(), piece.begin(), piece.end());
    out.resize(out.size() + gapSamples, 0.0f);
}

std::vector<siggen::FmsTelegram> randomTelegrams(int n, unsigned seed) {
    siggen::RepeatableRandom rng(seed);
    return siggen::randomFmsTelegrams(n, rng);
}

// How many of the lines in `got` were sent, and how many were not.
std::pair<int, int> countFms(const std::vector<siggen::FmsTelegram>& sent, const std::vector<std::string>& got) {
    int right = 0, wrong = 0;
    for (const auto& line : got) {
        bool found = false;
        for (const auto& t : sent) found = found || fmsLine(t) == line;
        (found ? right : wrong) += 1;
    }
    return {right, wrong};
}

std::vector<std::string> decodeFms(const std::vector<float>& audio, const DecoderOptions& options) {
    test::FmsRig rig;
    rig.context.options = options;
    rig.feed(audio);
    return rig.window.receptionLines;
}

TEST(InputFilter, PassesEveryToneItsDecoderNeedsAndCutsTheRest) {
    const BandPassFilter fms = FmsDecoder::fmsBandPass();
    for (double hz : {1200.0, 1750.0, 1800.0, 2135.0}) EXPECT_GT(fms.gainAt(hz), 0.75) << hz;
    for (double hz : {300.0, 5000.0, 9000.0}) EXPECT_LT(fms.gainAt(hz), 0.1) << hz;

    // The gain the design claims is the gain the running filter applies.
    BandPassFilter running = FmsDecoder::fmsBandPass();
    double peak = 0;
    for (int i = 0; i < 22050; ++i) {
        const double y = running.step(std::sin(2.0 * 3.14159265358979 * 1800.0 * i / 22050.0));
        if (i > 11025) peak = std::max(peak, std::fabs(y));
    }
    EXPECT_NEAR(peak, fms.gainAt(1800.0), 0.01);
}

TEST(InputFilter, CleanFmsTelegramsDecodeExactlyWithEveryOptionOn) {
    // Every status in both directions, each TKI, at a quiet and at a loud level.
    for (double amplitude : {0.02, 0.9}) {
        SCOPED_TRACE(amplitude);
        std::vector<siggen::FmsTelegram> sent;
        std::vector<float> audio(4410, 0.0f);
        int n = 0;
        for (int status = 0; status < 16; ++status)
            for (int direction = 0; direction < 2; ++direction) {
                if (status == 10 && direction == 1) continue;
                const std::string kennungen[] = {"623B1234", "6A0F9087", "93D20001", "B1A99999"};
                siggen::FmsTelegram t{kennungen[n % 4], status, direction, n % 4, 0};
                ++n;
                sent.push_back(t);
                append(audio, siggen::fmsTelegramSignal(t, amplitude), 6615);
            }
        std::vector<std::string> wanted;
        for (const auto& t : sent) wanted.push_back(fmsLine(t));
        EXPECT_EQ(decodeFms(audio, DecoderOptions::allOn()), wanted);
        EXPECT_EQ(decodeFms(audio, DecoderOptions::classic()), wanted);
    }
}

TEST(InputFilter, FmsTextAndToneCallsPassTheFilter) {
    std::vector<float> audio(4410, 0.0f);
    std::vector<float> text;
    std::string error;
    ASSERT_TRUE(siggen::fmsTextSignal("623B1234", 2, "Einsatz Brand 3", 0.3, text, error)) << error;
    append(audio, text, 6615);
    append(audio, siggen::toneSignal(1750.0, 2000.0, 0.3), 6615);
    append(audio, siggen::toneSignal(2135.0, 1000.0, 0.3), 6615);
    test::FmsRig rig;
    rig.context.options = DecoderOptions::allOn();
    rig.feed(audio);
    ASSERT_EQ(rig.window.receptionLines.size(), 1u);
    EXPECT_EQ(rig.window.receptionLines[0], "##FMS#623B1234#10#21#+");
    const auto& rows = rig.window.rows(ReceptionTable::Fms);
    ASSERT_FALSE(rows.empty());
    EXPECT_NE(rows[0].text.find("Einsatz Brand 3"), std::string::npos) << rows[0].text;
    int toneI = 0, toneII = 0;
    for (const auto& line : rig.window.alerts(AlertList::List1).lines) {
        toneI += line.find("Tonruf I ") != std::string::npos;
        toneII += line.find("Tonruf II ") != std::string::npos;
    }
    EXPECT_EQ(toneI, 1);
    EXPECT_EQ(toneII, 1);
}

TEST(InputFilter, FmsReadsInNoiseWhereTheClassicDemodulatorFails) {
    const auto sent = randomTelegrams(20, 7);
    std::vector<float> audio(4410, 0.0f);
    for (const auto& t : sent) append(audio, siggen::fmsTelegramSignal(t, 0.3), 6615);
    addNoise(audio, 0.3, 8.0, 11);
    const auto filtered = countFms(sent, decodeFms(audio, DecoderOptions::allOn()));
    const auto classic = countFms(sent, decodeFms(audio, DecoderOptions::classic()));
    EXPECT_GE(filtered.first, 18);
    EXPECT_EQ(filtered.second, 0);
    EXPECT_LE(classic.first, 2);
}

std::vector<std::string> zveiCodes(const std::vector<std::string>& lines) {
    std::vector<std::string> codes;
    for (const auto& l : lines)
        if (l.rfind("##ZVEI#", 0) == 0) codes.push_back(l.substr(7, l.find('#', 7) - 7));
    return codes;
}

std::vector<std::string> decodeZvei(const std::vector<float>& audio, const DecoderOptions& options) {
    zveitest::InProcessMonitor monitor;
    monitor.core.context.options = options;
    monitor.feed(audio, std::vector<float>(audio.size(), 0.0f));
    return zveiCodes(monitor.receptions());
}

// Twenty random five-digit codes at amplitude 0.3, `snrDb` in noise; how many of the
// decoded were sent and how many were not.
std::pair<int, int> zveiInNoise(unsigned codeSeed, double snrDb, unsigned noiseSeed, const DecoderOptions& options,
                                std::size_t* decodedClassic = nullptr) {
    siggen::RepeatableRandom rng(codeSeed);
    std::vector<std::string> codes;
    std::vector<float> audio(11025, 0.0f);
    for (int i = 0; i < 20; ++i) {
        std::string c;
        for (int k = 0; k < 5; ++k) c.push_back(static_cast<char>('0' + rng.between(0, 9)));
        codes.push_back(c);
        append(audio, siggen::zveiSequence(c, 0.3), 13230);
    }
    addNoise(audio, 0.3, snrDb, noiseSeed);
    int right = 0, wrong = 0;
    for (const auto& g : decodeZvei(audio, options))
        (std::find(codes.begin(), codes.end(), g) != codes.end() ? right : wrong) += 1;
    if (decodedClassic) *decodedClassic = decodeZvei(audio, DecoderOptions::classic()).size();
    return {right, wrong};
}

TEST(InputFilter, CleanZveiCodesDecodeExactlyWithTheFilter) {
    // Every digit in every position, repeat tones included, quiet and loud.
    const std::vector<std::string> codes = {"12345", "67890", "23456", "78901", "34567", "89012",
                                            "45678", "90123", "56789", "01234", "11223", "99000"};
    for (double amplitude : {0.02, 0.9}) {
        SCOPED_TRACE(amplitude);
        std::vector<float> audio(11025, 0.0f);
        for (const auto& c : codes) append(audio, siggen::zveiSequence(c, amplitude), 13230);
        EXPECT_EQ(decodeZvei(audio, DecoderOptions::allOn()), codes);
        EXPECT_EQ(decodeZvei(audio, DecoderOptions::classic()), codes);
    }
}

TEST(InputFilter, ZveiReadsInNoiseWhereTheClassicDetectorFails) {
    std::size_t classic = 0;
    const auto [right, wrong] = zveiInNoise(5, 8.0, 3, DecoderOptions::allOn(), &classic);
    EXPECT_GE(right, 18);
    EXPECT_EQ(wrong, 0);
    EXPECT_LE(classic, 2u);
}

TEST(InputFilter, ZveiToneBankTellsNeighbouringLetterTonesApartAndIgnoresOtherTables) {
    // "7" (1830 Hz) and "L" (1860 Hz) lie within one bin of the bank; the phase tells them
    // apart. (Right after each other the tone cutting takes them for one tone: they differ
    // by less than its 1 %.) Every letter tone in every position, at 6 dB SNR as well.
    const std::vector<std::string> codes = {"7U7U7", "L1L2L", "71L17", "CHUJP", "PJUHC", "1C2H3", "U9J8P"};
    for (double snr : {99.0, 6.0}) {
        SCOPED_TRACE(snr);
        std::vector<float> audio(11025, 0.0f);
        for (const auto& c : codes) append(audio, siggen::zveiSequence(c, 0.3), 13230);
        if (snr < 90) addNoise(audio, 0.3, snr, 9);
        EXPECT_EQ(decodeZvei(audio, DecoderOptions::allOn()), codes);
    }
    // Five-tone calls of another table (CCIR: 1124, 1197, 1275, 1358, 1446 Hz, and
    // 1540, 1640, 1747, 1860, 1981 Hz) lie between the rows of ours: a frequency that
    // falls in no row must not be pulled into the nearest one.
    std::vector<float> audio(11025, 0.0f);
    append(audio, siggen::toneRun({1124, 1197, 1358, 1446, 1540}, 70, 0.3), 13230);
    append(audio, siggen::toneRun({1640, 1981, 1124, 1446, 1197}, 70, 0.3), 13230);
    EXPECT_TRUE(decodeZvei(audio, DecoderOptions::allOn()).empty());
}

TEST(InputFilter, ZveiToneBankReadsAt4DbAndStaysQuietInNoiseAndDualTones) {
    const auto [right, wrong] = zveiInNoise(21, 4.0, 4, DecoderOptions::allOn());
    EXPECT_GE(right, 19);
    EXPECT_EQ(wrong, 0);

    // Two tones at once (a DTMF-like pair stepping through the table) is no tone.
    std::vector<float> pairs(11025, 0.0f);
    for (int i = 0; i < 5; ++i) {
        auto a = siggen::toneRun({1060.0 + 100 * i}, 70, 0.2);
        const auto b = siggen::toneRun({2000.0 + 100 * i}, 70, 0.2);
        for (std::size_t k = 0; k < a.size(); ++k) a[k] += b[k];
        pairs.insert(pairs.end(), a.begin(), a.end());
    }
    pairs.resize(pairs.size() + 11025, 0.0f);
    EXPECT_TRUE(decodeZvei(pairs, DecoderOptions::allOn()).empty());
}

// The 56 bits the slicer hands over for a telegram: sync word, then what was sent.
std::vector<std::uint8_t> slicedBits(const siggen::FmsTelegram& t) {
    std::vector<std::uint8_t> bits = {0, 0, 0, 1, 1, 0, 1, 0};
    const auto body = siggen::fmsTelegramBits(t);
    bits.insert(bits.end(), body.begin(), body.end());
    return bits;
}

bool checksOut(const std::vector<std::uint8_t>& bits) {
    std::string text;
    for (auto b : bits) text.push_back(static_cast<char>('0' + b));
    return fmsCheckBitsValid(FmsBits{bits.data(), text.c_str(), static_cast<int>(bits.size())});
}

TEST(FmsCheckBits, AcceptValidTelegramsAndRejectEveryFlippedBit) {
    for (const auto& t : randomTelegrams(200, 3)) {
        auto bits = slicedBits(t);
        ASSERT_EQ(bits.size(), 56u);
        EXPECT_TRUE(checksOut(bits)) << t.kennung;
        for (std::size_t k = 0; k < bits.size(); ++k) {
            bits[k] ^= 1;
            EXPECT_FALSE(checksOut(bits)) << t.kennung << " bit " << k;
            bits[k] ^= 1;
        }
        const std::uint8_t kept = bits[20];
        bits[20] = 2;  // undecidable
        EXPECT_FALSE(checksOut(bits));
        bits[20] = kept;
    }
    // Too short for check bits: a follow-up telegram's slice.
    auto bits = slicedBits(randomTelegrams(1, 9)[0]);
    bits.resize(48);
    EXPECT_FALSE(checksOut(bits));
}

TEST(FmsCheckBits, AFlippedCheckBitKeepsAPlausibleTelegramOffTheBoard) {
    const siggen::FmsTelegram good{"623B1234", 3, 0, 1, 0};
    const siggen::FmsTelegram alsoGood{"6A0F9087", 7, 1, 2, 0};
    std::vector<float> audio(4410, 0.0f);
    // Body bits 0..39 are data (32..35 the status), 40..46 check bits, 47 parity.
    for (int flip : {-1, 33, 42, 47}) {
        // The data bits of `good`, one bit flipped (data, check bit, parity) or none.
        auto body = siggen::fmsTelegramBits(good);
        if (flip >= 0) body[static_cast<std::size_t>(flip)] ^= 1;
        std::vector<float> sig;
        siggen::FmsModulator mod(0.3);
        for (int i = 0; i < 16; ++i) mod.bit(1, sig);
        mod.bits({0, 0, 0, 1, 1, 0, 1, 0}, sig);
        mod.bits(body, sig);
        for (int i = 0; i < 4; ++i) mod.bit(1, sig);
        append(audio, sig, 6615);
        append(audio, siggen::fmsTelegramSignal(alsoGood, 0.3), 6615);
    }
    // The classic way takes every one of them, the flipped status bit as status 1.
    const auto classic = decodeFms(audio, DecoderOptions::classic());
    EXPECT_EQ(classic, (std::vector<std::string>{fmsLine(good), fmsLine(alsoGood), "##FMS#623B1234#1#10#+",
                                                 fmsLine(alsoGood), fmsLine(good), fmsLine(alsoGood), fmsLine(good),
                                                 fmsLine(alsoGood)}));
    DecoderOptions checkOnly;
    checkOnly.fmsCheckBits = true;
    const auto checked = decodeFms(audio, checkOnly);
    EXPECT_EQ(checked, (std::vector<std::string>{fmsLine(good), fmsLine(alsoGood), fmsLine(alsoGood),
                                                 fmsLine(alsoGood), fmsLine(alsoGood)}));
}

TEST(DecoderOptionsCli, DecodeUsesTheOptionsAndKlassischTurnsThemOff) {
    zveitest::ScratchFolder dir;
    const std::string wav = dir.file("noisy.wav");
    std::string items = "gap:300";
    for (const char* k : {"623B1234", "6A0F9087", "93D20001", "B1A99999", "7C4E8642", "D9E10204"})
        items += std::string(" fms:") + k + ":3:0:1 gap:300";
    for (const char* c : {"12345", "67890", "24680", "13579"}) items += std::string(" zvei:") + c + " gap:700";
    ASSERT_TRUE(zveitest::kubmonGen("--snr 9 --seed 2 " + zveitest::quoted(wav) + " " + items));
    const auto on = zveitest::kubmonDecode(wav);
    auto r = kubtest::runProcess(std::string(KUBMON_EXE) + " decode --klassisch " + zveitest::quoted(wav));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto off = kubtest::splitLines(r.out);
    EXPECT_GE(on.size(), 9u);
    EXPECT_LE(off.size(), 2u);
    for (const auto& line : on) EXPECT_TRUE(line.find("#3#10#+") != std::string::npos || line.rfind("##ZVEI#", 0) == 0) << line;
}

}  // namespace
}  // namespace kub
