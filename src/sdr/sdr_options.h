#pragma once
// What a command line (or the channel list file "SDR-Kanaele.txt") says about an SDR
// stick: where its IQ comes from, its sample rate and centre frequency, the channels to
// decode in its band and how far its crystal is off. Everything is checked here, and what
// is wrong is said in German, so that a tool only has to print it and end with status 2.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/command_options.h"
#include "sdr/iq_format.h"
#include "sdr/sdr_channel_entry.h"

namespace kub {

// The file the channel list is read from when no "--kanal" is given.
inline constexpr const char* kSdrChannelFile = "SDR-Kanaele.txt";

// How much of the band a channel needs on either side of its nominal frequency: the
// channel filter (about ±6 kHz) plus the tuner offset it must still hold.
inline constexpr std::int64_t kSdrChannelHalfWidth = 12500;
inline constexpr std::int64_t kSdrLowestRate = 50000;
inline constexpr std::int64_t kSdrHighestRate = 20000000;
// Records and other receiver sites carry channel names of up to 8 characters.
inline constexpr std::size_t kSdrNameLength = 8;

struct SdrOptions {
    std::string source;  // "--sdr": "-", a file, "cmd:...", "soapy:..."
    std::int64_t rate = 0;
    std::int64_t centre = 0;
    IqFormat format = IqFormat::Cu8;
    std::vector<SdrChannelEntry> channels;
    double ppm = 0;        // the tuner's known error, corrected on every channel
    bool ppmAuto = false;  // follow the error measured on the channels
};

// A frequency as typed: digits with an optional decimal fraction and an optional "k" or
// "M" ("172.34M", "1024k", "172340000"); whole Hz, above zero.
std::optional<std::int64_t> parseFrequency(std::string_view text);

// One channel as "NAME=FREQ[:fms,zvei,pocsag]"; empty when it will do, else the German
// reason why not. With `rest`, whatever follows the frequency's ':' is handed back
// unread instead of being read as the decoder list (`kubmon gen iq` puts events there).
std::string parseChannel(std::string_view text, SdrChannelEntry& out, std::string* rest = nullptr);

// The channel list file's text: one channel per line, '#' starts a comment, blank lines
// are skipped. Every bad line is one German message naming `fileName` and the line.
std::vector<std::string> parseChannelList(std::string_view text, const std::string& fileName,
                                          std::vector<SdrChannelEntry>& out);

// Registers the SDR options on a command line; `finish` then checks them as a whole.
class SdrOptionReader {
public:
    void addTo(CommandOptions& options);
    // True when "--sdr" was given at all.
    bool wanted() const { return !opts_.source.empty(); }
    // The options checked together; the channel list from `programFolder`'s file when no
    // "--kanal" was given. Empty when all is well, else the German reason.
    std::string finish(const std::string& programFolder, SdrOptions& out);
    // The checks of rate, centre and channels alone (for `kubmon gen iq`, which has no
    // source).
    static std::string checkBand(const SdrOptions& options);

private:
    SdrOptions opts_;
    std::string format_;
    bool rateGiven_ = false;
    bool centreGiven_ = false;
};

}  // namespace kub
