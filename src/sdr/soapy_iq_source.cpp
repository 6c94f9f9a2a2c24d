#include "sdr/soapy_iq_source.h"

#include <SoapySDR/Device.hpp>
#include <SoapySDR/Errors.hpp>
#include <SoapySDR/Formats.hpp>
#include <SoapySDR/Logger.hpp>

#include <atomic>
#include <complex>
#include <exception>

namespace kub {

namespace {

constexpr long kReadTimeoutUs = 200000;

void quietLog(const SoapySDRLogLevel, const char*) {}

}  // namespace

struct SoapyIqSource::Device {
    SoapySDR::Device* device = nullptr;
    SoapySDR::Stream* stream = nullptr;
    std::function<void(const std::string&)> say;
    std::string args;
    std::atomic<bool> stopped{false};

    ~Device() {
        if (!device) return;
        if (stream) {
            device->deactivateStream(stream);
            device->closeStream(stream);
        }
        SoapySDR::Device::unmake(device);
    }
};

SoapyIqSource::SoapyIqSource(std::unique_ptr<Device> device) : device_(std::move(device)) {}

SoapyIqSource::~SoapyIqSource() = default;

std::unique_ptr<SoapyIqSource> SoapyIqSource::open(const std::string& args, double rate, double centre,
                                                   std::function<void(const std::string&)> say, std::string& error) {
    SoapySDR::registerLogHandler(quietLog);
    auto d = std::make_unique<Device>();
    d->say = std::move(say);
    d->args = args;
    try {
        d->device = SoapySDR::Device::make(args);
    } catch (const std::exception& e) {
        error = "SoapySDR-Gerät \"" + args + "\" nicht gefunden oder nicht zu öffnen (" + e.what() + ").";
        return nullptr;
    }
    if (!d->device) {
        error = "SoapySDR-Gerät \"" + args + "\" nicht gefunden.";
        return nullptr;
    }
    try {
        d->device->setSampleRate(SOAPY_SDR_RX, 0, rate);
        d->device->setFrequency(SOAPY_SDR_RX, 0, centre);
        d->stream = d->device->setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32);
        if (!d->stream || d->device->activateStream(d->stream) != 0) throw std::runtime_error("activateStream");
    } catch (const std::exception& e) {
        error = "SoapySDR-Gerät \"" + args + "\" nimmt Abtastrate oder Mittenfrequenz nicht an (" + e.what() + ").";
        return nullptr;
    }
    return std::unique_ptr<SoapyIqSource>(new SoapyIqSource(std::move(d)));
}

void SoapyIqSource::stop() { device_->stopped = true; }

std::size_t SoapyIqSource::read(std::span<std::uint8_t> into) {
    const std::size_t pairs = into.size() / sizeof(std::complex<float>);
    while (!device_->stopped && pairs > 0) {
        void* buffers[] = {into.data()};
        int flags = 0;
        long long timeNs = 0;
        const int n = device_->device->readStream(device_->stream, buffers, pairs, flags, timeNs, kReadTimeoutUs);
        if (n > 0) return static_cast<std::size_t>(n) * sizeof(std::complex<float>);
        // Missed samples or a quiet moment: the stream goes on.
        if (n == 0 || n == SOAPY_SDR_TIMEOUT || n == SOAPY_SDR_OVERFLOW) continue;
        device_->say("SoapySDR-Gerät \"" + device_->args + "\" liefert nicht mehr (" + SoapySDR::errToStr(n) + ").");
        return 0;
    }
    return 0;
}

}  // namespace kub
