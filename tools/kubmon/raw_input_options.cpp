#include "raw_input_options.h"

namespace kubmon {

void RawInputOptions::addTo(kub::CommandOptions& options) {
    options.value("--rate", [this](const std::string& v) {
        rateGiven = true;
        rate = v;
        return std::string();
    }, true);
    options.value("--channels", [this](const std::string& v) {
        channelsGiven = true;
        channels = v;
        return std::string();
    }, true);
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
