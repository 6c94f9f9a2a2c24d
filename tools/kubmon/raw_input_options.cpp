#include "raw_input_options.h"

namespace kubmon {

bool RawInputOptions::take(const Args& args, std::size_t& i) {
    const bool isRate = args[i] == "--rate";
    if (!isRate && args[i] != "--channels") return false;
    const std::string value = i + 1 < args.size() ? args[++i] : std::string();
    if (isRate) {
        rateGiven = true;
        rate = value;
    } else {
        channelsGiven = true;
        channels = value;
    }
    return true;
}

std::string RawInputOptions::format(bool fromStdin, kub::RawPcmFormat& out) const {
    if (!fromStdin) {
        if (rateGiven || channelsGiven)
            return "--rate und --channels gelten nur für Rohdaten von der Standardeingabe (\"-\" als Eingabe).";
        return {};
    }
    if (!rateGiven)
        return "Für Rohdaten von der Standardeingabe fehlt --rate (Abtastrate in Hz, zum Beispiel --rate 22050).";
    std::string wrong = kub::checkRawPcmRate(rate, out.rate);
    if (!wrong.empty()) return wrong;
    out.channels = 1;
    if (channelsGiven) wrong = kub::checkRawPcmChannels(channels, out.channels);
    return wrong;
}

}  // namespace kubmon
