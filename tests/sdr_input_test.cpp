// An SDR stick's input: IQ bytes cut anywhere, frequencies and channels as typed, the
// channel list file's lines.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "sdr/iq_reader.h"
#include "sdr/sdr_options.h"

namespace kub {
namespace {

// The same bytes in one piece and cut into pieces of 1, 3, 5, 7, ... bytes give the same
// samples; cu8's 0 and 255 are the two ends of full scale; a NaN becomes 0.
TEST(IqReader, AnyChunkingGivesTheSameSamples) {
    struct Case {
        IqFormat format;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<std::uint8_t> floats(8 * 3);
    const float values[6] = {0.5f, -0.25f, std::numeric_limits<float>::quiet_NaN(), 1.0f, -1.0f, 0.125f};
    std::memcpy(floats.data(), values, sizeof values);
    const Case cases[] = {
        {IqFormat::Cu8, {0, 255, 128, 127, 200, 10, 1, 2, 3}},
        {IqFormat::Cs16, {0x00, 0x80, 0xff, 0x7f, 0x00, 0x40, 0x00, 0xc0, 0x01}},
        {IqFormat::Cf32, floats},
    };
    for (const Case& c : cases) {
        std::vector<std::complex<float>> whole;
        IqReader one(c.format);
        one.push(c.bytes.data(), c.bytes.size(), whole);
        ASSERT_EQ(whole.size(), c.bytes.size() / iqPairBytes(c.format));
        for (std::size_t step = 1; step < 10; step += 2) {
            IqReader cut(c.format);
            std::vector<std::complex<float>> pieces;
            for (std::size_t at = 0; at < c.bytes.size(); at += step)
                cut.push(c.bytes.data() + at, std::min(step, c.bytes.size() - at), pieces);
            EXPECT_EQ(pieces, whole) << "step " << step;
            EXPECT_EQ(cut.pendingBytes(), c.bytes.size() % iqPairBytes(c.format));
        }
        for (const auto& s : whole) EXPECT_TRUE(std::abs(s.real()) <= 1.0f && std::abs(s.imag()) <= 1.0f);
    }
    std::vector<std::complex<float>> out;
    IqReader cu8(IqFormat::Cu8);
    cu8.push(cases[0].bytes.data(), 2, out);
    EXPECT_FLOAT_EQ(out[0].real(), -0.99609375f);
    EXPECT_FLOAT_EQ(out[0].imag(), 0.99609375f);
    IqReader f32(IqFormat::Cf32);
    out.clear();
    f32.push(floats.data(), 16, out);
    EXPECT_EQ(out[1], std::complex<float>(0, 0));
    EXPECT_EQ(f32.badSamples(), 1u);
}

TEST(SdrOptions, FrequenciesAsTyped) {
    const std::pair<const char*, std::int64_t> cases[] = {
        {"172.34M", 172340000}, {"1024k", 1024000}, {"172340000", 172340000}, {"2.4M", 2400000},
        {"85.0125M", 85012500}, {"-5M", 0},         {"1.5", 0},              {"12abc", 0},
        {"", 0},                {"M", 0},           {"3.M", 0},              {"0", 0},
    };
    for (const auto& [text, hz] : cases) EXPECT_EQ(parseFrequency(text).value_or(0), hz) << text;
}

// Every bad line of the channel list is named with its file and line number; the good
// lines are taken.
TEST(SdrOptions, ChannelListLines) {
    const std::string text =
        "# Kreis Nord\n"
        "FW=172.34M:fms,zvei   # Feuerwehr\n"
        "\n"
        "RD=172.36M\n"
        "Kreisfeuerwehr=172.4M\n"
        "POC=173.2M:pocsag,funk\n"
        "X 172.1M\n"
        "Y=17x\n"
        "left=172.5M\n";
    std::vector<SdrChannelEntry> channels;
    const auto wrong = parseChannelList(text, "SDR-Kanaele.txt", channels);
    const std::vector<std::string> expected = {
        "SDR-Kanaele.txt, Zeile 5: Kanalname \"Kreisfeuerwehr\" muss 1 bis 8 Zeichen lang sein",
        "SDR-Kanaele.txt, Zeile 6: Kanal POC: unbekannter Decoder \"funk\" (erlaubt: fms, zvei, pocsag)",
        "SDR-Kanaele.txt, Zeile 7: Kanal \"X 172.1M\" nicht in der Form NAME=FREQUENZ",
        "SDR-Kanaele.txt, Zeile 8: Frequenz \"17x\" von Kanal Y ungültig (z. B. 172.34M)",
        "SDR-Kanaele.txt, Zeile 9: Kanalname \"left\" ist vergeben",
    };
    EXPECT_EQ(wrong, expected);
    ASSERT_EQ(channels.size(), 2u);
    EXPECT_EQ(channels[0].name, "FW");
    EXPECT_EQ(channels[0].frequency, 172340000);
    EXPECT_TRUE(channels[0].fms && channels[0].zvei && !channels[0].pocsag);
    EXPECT_TRUE(channels[1].fms && channels[1].zvei && channels[1].pocsag);
}

}  // namespace
}  // namespace kub
