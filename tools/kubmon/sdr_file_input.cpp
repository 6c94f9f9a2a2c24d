#include "sdr_file_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/sdr_core_feed.h"
#include "sdr/iq_reader.h"
#include "sdr/sdr_channelizer.h"

namespace kubmon {

namespace {

constexpr std::size_t kReadBytes = 1 << 16;

}  // namespace

kub::FileDecodeResult decodeSdrInput(const kub::SdrOptions& sdr, kub::MonitorCore& core, kub::StreamClock& clock,
                                     const std::function<void()>& afterBlock,
                                     const std::function<void(const std::string&)>& say) {
    kub::FileDecodeResult result;
    if (sdr.source.rfind("cmd:", 0) == 0 || sdr.source.rfind("soapy:", 0) == 0) {
        result.error = "kubmon decode liest IQ nur aus einer Datei oder von der Standardeingabe (-)";
        return result;
    }
    const bool fromStdin = sdr.source == "-";
    const int fd = fromStdin ? STDIN_FILENO : ::open(sdr.source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = sdr.source + " nicht lesbar: " + std::strerror(errno);
        return result;
    }

    kub::SdrCoreFeed feed(core, sdr.channels);
    kub::SdrChannelizer channelizer({sdr.rate, sdr.centre, sdr.ppm, sdr.ppmAuto}, sdr.channels, feed);
    channelizer.onNotice = say;
    kub::IqReader reader(sdr.format);

    std::vector<std::uint8_t> bytes(kReadBytes);
    std::vector<std::complex<float>> iq;
    // The clock runs with the IQ read: whole audio frames, the rest carried on.
    std::int64_t pairs = 0, framesAdvanced = 0;
    while (true) {
        const ssize_t n = ::read(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result.error = sdr.source + " nicht weiter lesbar: " + std::strerror(errno);
            break;
        }
        if (n == 0) {
            result.ok = true;
            break;
        }
        iq.clear();
        reader.push(bytes.data(), static_cast<std::size_t>(n), iq);
        channelizer.push(iq);
        pairs += static_cast<std::int64_t>(iq.size());
        const std::int64_t frames = pairs * kub::kSampleRate / sdr.rate;
        clock.advanceFrames(frames - framesAdvanced);
        framesAdvanced = frames;
        if (afterBlock) afterBlock();
    }
    if (!fromStdin) ::close(fd);
    result.frames = framesAdvanced;
    feed.finish();
    if (reader.badSamples() > 0)
        say(std::to_string(reader.badSamples()) + " IQ-Werte waren keine Zahl und wurden als 0 gelesen");
    return result;
}

}  // namespace kubmon
