// Recordings in: formats, rates and channel layouts, and how the tool fails on bad files.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "capture/audio_file.h"
#include "support/run_process.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Writes `seconds` of a sine of `hz` on channel 0 (and -sine on channel 1 when present).
void writeSine(const std::string& path, int format, int rate, int channels, double hz, double seconds) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<double> data(frames * static_cast<std::size_t>(channels), 0.0);
    for (std::size_t i = 0; i < frames; ++i) {
        double v = 0.5 * std::sin(2 * kPi * hz * static_cast<double>(i) / rate);
        data[i * static_cast<std::size_t>(channels)] = v;
        if (channels > 1) data[i * static_cast<std::size_t>(channels) + 1] = -v;
        for (int c = 2; c < channels; ++c) data[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] = 0.9;
    }
    sf_writef_double(f, data.data(), static_cast<sf_count_t>(frames));
    sf_close(f);
}

// Frequency of one channel of interleaved stereo from its rising zero crossings.
double measureHz(const std::vector<std::int16_t>& stereo, int channel) {
    int crossings = 0;
    std::size_t first = 0, last = 0;
    for (std::size_t i = 1; i < stereo.size() / 2; ++i) {
        if (stereo[2 * (i - 1) + static_cast<std::size_t>(channel)] < 0 &&
            stereo[2 * i + static_cast<std::size_t>(channel)] >= 0) {
            if (crossings == 0) first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return (crossings - 1) * 22050.0 / static_cast<double>(last - first);
}

class AudioFiles : public ::testing::Test {
protected:
    std::string dir = kubtest::makeTempDir("kub-audio");
    void TearDown() override { kubtest::removeTree(dir); }
};

TEST_F(AudioFiles, ConvertsRatesAndFormatsTo22050Stereo) {
    struct Case {
        const char* name;
        int format;
        int rate;
        int channels;
    } cases[] = {
        {"a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 2},
        {"b.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 1},
        {"c.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000, 2},
        {"d.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 8000, 1},
        {"e.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 16000, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name;
        writeSine(path, c.format, c.rate, c.channels, 1000.0, 2.0);
        std::vector<std::int16_t> stereo;
        std::string error;
        ASSERT_TRUE(kub::readAudioFile(path, stereo, error)) << error;
        const double frames = static_cast<double>(stereo.size()) / 2;
        EXPECT_NEAR(frames, 2.0 * 22050, 200);
        EXPECT_NEAR(measureHz(stereo, 0), 1000.0, 2.0);
        int peak = 0;
        for (std::size_t i = 0; i < stereo.size(); i += 2) peak = std::max(peak, std::abs(int{stereo[i]}));
        EXPECT_NEAR(peak, 16384, 1500);  // amplitude kept (Vorbis overshoots a little)
        if (c.channels == 1) {
            for (std::size_t i = 1; i < stereo.size(); i += 2) ASSERT_EQ(stereo[i], 0);
        } else {
            // Right is the inverted left; further channels are ignored.
            EXPECT_NEAR(measureHz(stereo, 1), 1000.0, 2.0);
            std::size_t mid = stereo.size() / 2 & ~std::size_t{1};
            EXPECT_NEAR(stereo[mid], -stereo[mid + 1], 2);
        }
    }
}

TEST_F(AudioFiles, SixteenBitFilesAtOurRateComeInBlocksSampleForSample) {
    // Read many blocks at a time behind the scenes: every frame must come once, in order,
    // across those reads, with the last block short and then nothing.
    for (const int channels : {1, 2, 3}) {
        SCOPED_TRACE(channels);
        const std::size_t frames = 3 * 16384 + 1500;
        std::vector<std::int16_t> written(frames * static_cast<std::size_t>(channels));
        for (std::size_t i = 0; i < written.size(); ++i) written[i] = static_cast<std::int16_t>((i * 7919) % 65536 - 32768);
        const std::string path = dir + "/ramp" + std::to_string(channels) + ".wav";
        std::string error;
        ASSERT_TRUE(kub::writeWavFile(path, written, channels, 22050, error)) << error;
        kub::AudioFileReader reader;
        ASSERT_TRUE(reader.open(path)) << reader.error();
        std::vector<std::int16_t> block(2 * 1024);
        std::size_t at = 0;
        int wrong = 0;
        while (const std::size_t got = reader.read(block.data(), 1024)) {
            ASSERT_TRUE(got == 1024 || at + got == frames) << at;
            for (std::size_t k = 0; k < got; ++k, ++at) {
                const std::int16_t left = written[at * static_cast<std::size_t>(channels)];
                const std::int16_t right = channels >= 2 ? written[at * static_cast<std::size_t>(channels) + 1] : 0;
                wrong += block[2 * k] != left || block[2 * k + 1] != right;
            }
        }
        EXPECT_EQ(at, frames);
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(reader.read(block.data(), 1024), 0u);
    }
}

TEST_F(AudioFiles, DecodeToolFailsClearlyOnBadFilesAndQuietlyOnEmptyOnes) {
    auto missing = kubtest::runProcess(std::string(KUBMON_EXE) + " decode " + dir + "/fehlt.wav");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(kubtest::splitLines(missing.err).size(), 1u) << missing.err;
    EXPECT_TRUE(missing.out.empty());

    const std::string junk = dir + "/kaputt.wav";
    std::ofstream(junk) << "das ist keine Tondatei";
    auto bad = kubtest::runProcess(std::string(KUBMON_EXE) + " decode " + junk);
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(kubtest::splitLines(bad.err).size(), 1u) << bad.err;

    const std::string empty = dir + "/leer.wav";
    std::string error;
    ASSERT_TRUE(kub::writeWavFile(empty, {}, 2, 22050, error)) << error;
    auto none = kubtest::runProcess(std::string(KUBMON_EXE) + " decode " + empty);
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_TRUE(none.out.empty());
}

}  // namespace
