// Raw PCM from a pipe: any bytes, cut into reads of any size, at any of the rates and
// channel counts we take. The frames that come out are whole stereo frames; at our own
// rate they are exactly the complete input frames, sample for sample.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "capture/pipe_reader.h"
#include "capture/raw_pcm.h"

namespace {
constexpr int kRates[] = {22050, 8000, 11025, 16000, 24000, 44100, 48000, 170000, 384000};
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    kub::RawPcmFormat format;
    format.rate = kRates[data[0] % (sizeof kRates / sizeof kRates[0])];
    format.channels = (data[0] & 0x80) ? 2 : 1;
    const std::size_t chunk = 1 + data[1];
    const std::uint8_t* pcm = data + 2;
    const std::size_t bytes = size - 2;

    kub::RawPcmConverter converter(format);
    std::vector<std::int16_t> stereo;
    for (std::size_t at = 0; at < bytes; at += chunk)
        converter.push(pcm + at, std::min(chunk, bytes - at), stereo);
    converter.finish(stereo);
    if (stereo.size() % 2 != 0) std::abort();
    const std::size_t frameBytes = 2 * static_cast<std::size_t>(format.channels);
    if (format.rate == 22050) {
        if (stereo.size() / 2 != bytes / frameBytes) std::abort();
        for (std::size_t f = 0; f < stereo.size() / 2; ++f) {
            const std::size_t at = f * frameBytes;
            const auto left = static_cast<std::int16_t>(static_cast<std::uint16_t>(pcm[at] | (pcm[at + 1] << 8)));
            if (stereo[2 * f] != left) std::abort();
            if (format.channels == 1 && stereo[2 * f + 1] != 0) std::abort();
        }
    }

    // The same bytes through a real pipe (small inputs fit its buffer whole).
    if (bytes <= 32768) {
        int fds[2];
        if (::pipe(fds) != 0) std::abort();
        if (bytes > 0 && ::write(fds[1], pcm, bytes) != static_cast<ssize_t>(bytes)) std::abort();
        ::close(fds[1]);
        kub::PipeReader reader(fds[0], format);
        std::vector<std::int16_t> block(2 * 1024);
        std::size_t frames = 0;
        while (std::size_t n = reader.read(block.data(), 1024)) frames += n;
        ::close(fds[0]);
        if (frames != stereo.size() / 2) std::abort();
    }
    return 0;
}
