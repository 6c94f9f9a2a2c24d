#include "capture/audio_file.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace kub {

namespace {
constexpr int kTargetRate = 22050;
constexpr std::size_t kChunkFrames = 4096;
// 16-bit files are read this many frames at a time (64 KiB of stereo).
constexpr std::size_t kBufferedFrames = 16384;

std::int16_t toSample(float v) {
    double s = std::nearbyint(static_cast<double>(v) * 32768.0);
    return static_cast<std::int16_t>(std::clamp(s, -32768.0, 32767.0));
}
}  // namespace

struct AudioFileReader::Impl {
    SNDFILE* file = nullptr;
    SF_INFO info{};
    SRC_STATE* src = nullptr;  // only when the file's rate is not ours
    double ratio = 1.0;
    std::vector<float> raw;  // file frames, all channels
    std::vector<float> in;   // the same frames as stereo
    std::vector<float> out;  // stereo frames at our rate
    // 16-bit PCM at our rate: read as it is stored, without the round trip through floats,
    // many blocks at a time (a read from the system per 1024-sample block cost more than
    // handing the block on).
    bool direct16 = false;
    std::vector<short> rawShort;
    std::size_t shortAt = 0;      // next unread frame in rawShort
    std::size_t shortFrames = 0;  // frames held in rawShort

    ~Impl() {
        if (src) src_delete(src);
        if (file) sf_close(file);
    }

    // Next chunk of the file as stereo floats in `in`; returns the frames read.
    long readChunk() {
        const auto ch = static_cast<std::size_t>(info.channels);
        raw.resize(kChunkFrames * ch);
        sf_count_t got = sf_readf_float(file, raw.data(), static_cast<sf_count_t>(kChunkFrames));
        if (got < 0) got = 0;
        in.resize(kChunkFrames * 2);
        for (std::size_t k = 0; k < static_cast<std::size_t>(got); ++k) {
            in[2 * k] = raw[k * ch];
            in[2 * k + 1] = ch >= 2 ? raw[k * ch + 1] : 0.0f;
        }
        return static_cast<long>(got);
    }

    static long supply(void* self, float** data) {
        auto* impl = static_cast<Impl*>(self);
        long n = impl->readChunk();
        *data = impl->in.data();
        return n;
    }

    // Up to `frames` stereo frames at our rate into `out`.
    long next(std::size_t frames) {
        out.resize(frames * 2);
        if (!src) {
            // Same rate: read straight through.
            const auto ch = static_cast<std::size_t>(info.channels);
            raw.resize(frames * ch);
            sf_count_t got = sf_readf_float(file, raw.data(), static_cast<sf_count_t>(frames));
            if (got <= 0) return 0;
            for (std::size_t k = 0; k < static_cast<std::size_t>(got); ++k) {
                out[2 * k] = raw[k * ch];
                out[2 * k + 1] = ch >= 2 ? raw[k * ch + 1] : 0.0f;
            }
            return static_cast<long>(got);
        }
        return src_callback_read(src, ratio, static_cast<long>(frames), out.data());
    }
};

AudioFileReader::AudioFileReader() = default;
AudioFileReader::~AudioFileReader() = default;

bool AudioFileReader::open(const std::string& path) {
    impl_ = std::make_unique<Impl>();
    impl_->file = sf_open(path.c_str(), SFM_READ, &impl_->info);
    if (!impl_->file) {
        error_ = "Datei kann nicht gelesen werden: " + path + " (" + sf_strerror(nullptr) + ")";
        impl_.reset();
        return false;
    }
    if (impl_->info.channels < 1 || impl_->info.samplerate <= 0) {
        error_ = "Datei enthält keine verwertbaren Tonspuren: " + path;
        impl_.reset();
        return false;
    }
    if (impl_->info.samplerate != kTargetRate) {
        int err = 0;
        impl_->src = src_callback_new(&Impl::supply, SRC_SINC_BEST_QUALITY, 2, &err, impl_.get());
        if (!impl_->src) {
            error_ = std::string("Abtastratenwandlung nicht möglich: ") + src_strerror(err);
            impl_.reset();
            return false;
        }
        impl_->ratio = static_cast<double>(kTargetRate) / impl_->info.samplerate;
    } else {
        impl_->direct16 = (impl_->info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
    }
    return true;
}

int AudioFileReader::fileRate() const { return impl_ ? impl_->info.samplerate : 0; }
int AudioFileReader::fileChannels() const { return impl_ ? impl_->info.channels : 0; }

std::size_t AudioFileReader::read(std::int16_t* stereo, std::size_t frames) {
    if (!impl_) return 0;
    if (impl_->direct16) {
        Impl& f = *impl_;
        const auto ch = static_cast<std::size_t>(f.info.channels);
        std::size_t done = 0;
        while (done < frames) {
            if (f.shortAt == f.shortFrames) {
                f.rawShort.resize(kBufferedFrames * ch);
                const sf_count_t got = sf_readf_short(f.file, f.rawShort.data(), static_cast<sf_count_t>(kBufferedFrames));
                f.shortAt = 0;
                f.shortFrames = got > 0 ? static_cast<std::size_t>(got) : 0;
                if (f.shortFrames == 0) break;
            }
            const std::size_t n = std::min(frames - done, f.shortFrames - f.shortAt);
            const short* from = f.rawShort.data() + f.shortAt * ch;
            if (ch == 2) {
                std::copy(from, from + 2 * n, stereo + 2 * done);
            } else {
                for (std::size_t k = 0; k < n; ++k) {
                    stereo[2 * (done + k)] = from[k * ch];
                    stereo[2 * (done + k) + 1] = ch >= 2 ? from[k * ch + 1] : std::int16_t{0};
                }
            }
            done += n;
            f.shortAt += n;
        }
        return done;
    }
    std::size_t done = 0;
    while (done < frames) {
        long n = impl_->next(frames - done);
        if (n <= 0) break;
        for (std::size_t i = 0; i < 2 * static_cast<std::size_t>(n); ++i)
            stereo[2 * done + i] = toSample(impl_->out[i]);
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool readAudioFile(const std::string& path, std::vector<std::int16_t>& stereo, std::string& error) {
    AudioFileReader r;
    if (!r.open(path)) {
        error = r.error();
        return false;
    }
    stereo.clear();
    std::vector<std::int16_t> buf(2 * kChunkFrames);
    while (std::size_t n = r.read(buf.data(), kChunkFrames))
        stereo.insert(stereo.end(), buf.begin(), buf.begin() + static_cast<long>(2 * n));
    return true;
}

bool writeWavFile(const std::string& path, const std::vector<std::int16_t>& interleaved,
                  int channels, int rate, std::string& error) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        error = "Datei kann nicht geschrieben werden: " + path + " (" + sf_strerror(nullptr) + ")";
        return false;
    }
    const sf_count_t frames = static_cast<sf_count_t>(interleaved.size()) / channels;
    const sf_count_t written = sf_writef_short(f, interleaved.data(), frames);
    sf_close(f);
    if (written != frames) {
        error = "Datei kann nicht vollständig geschrieben werden: " + path;
        return false;
    }
    return true;
}

}  // namespace kub
