#pragma once
// How far a channel's carrier sits from where the channel is tuned: the mean of the FM
// discriminator over the stretches that carry a carrier. FSK, tone calls and voice swing
// evenly about the carrier, so their mean is the carrier's offset; noise between the
// transmissions has no such mean and is left out. A carrier is there while the channel's
// power stands well above the quietest power seen lately (the noise floor).

#include <cstddef>
#include <cstdint>

namespace kub {

class CarrierMeter {
public:
    // `rate`: discriminator samples per second.
    explicit CarrierMeter(double rate);

    // One discriminator value (Hz) and the channel's power at that sample.
    void take(float hz, float power);
    // The mean offset so far (Hz); 0 before any carrier.
    double offset() const { return offset_; }
    // Windows of carrier measured (10 ms each).
    std::uint64_t carrierWindows() const { return windows_; }
    bool carrierNow() const { return carrierNow_; }
    // The channel was retuned by `hz`: the carrier now shows that much further up.
    void retuned(double hz) { offset_ += hz; }

private:
    std::size_t windowLength_;
    std::size_t count_ = 0;
    double sumHz_ = 0;
    double sumPower_ = 0;
    double floor_ = -1;  // none yet
    double offset_ = 0;
    std::uint64_t windows_ = 0;
    bool carrierNow_ = false;
};

}  // namespace kub
