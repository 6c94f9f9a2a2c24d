#pragma once
// IQ from a SoapySDR device ("soapy:driver=rtlsdr,serial=…"), read as 32-bit float pairs at
// the rate and centre frequency of the run. The library's own log lines (English, many
// per second on a bad USB link) are kept off stderr; what matters comes as one German line.

#include <functional>
#include <memory>
#include <string>

#include "sdr/iq_source.h"

namespace kub {

class SoapyIqSource final : public IqSource {
public:
    // The device of `args` (SoapySDR's "key=value,…") tuned and streaming; nullptr and a
    // German reason in `error` when it is not there or refuses the settings.
    static std::unique_ptr<SoapyIqSource> open(const std::string& args, double rate, double centre,
                                               std::function<void(const std::string&)> say, std::string& error);
    ~SoapyIqSource() override;
    SoapyIqSource(const SoapyIqSource&) = delete;
    SoapyIqSource& operator=(const SoapyIqSource&) = delete;

    std::size_t read(std::span<std::uint8_t> into) override;
    void stop() override;
    IqFormat format() const override { return IqFormat::Cf32; }

private:
    struct Device;
    explicit SoapyIqSource(std::unique_ptr<Device> device);
    std::unique_ptr<Device> device_;
};

}  // namespace kub
