#pragma once
// Decision feedback for a signal whose low frequencies a high-pass has taken: every bit
// leaves a tail that lasts many bits after it, and after a long run of equal bits the tails
// add up to a baseline that outweighs the bit being read. The high-pass is known, so the
// baseline the bits decided so far leave in the coming bit can be worked out and taken
// off before that bit is decided. Noise is not lifted, as restoring the low frequencies by a
// filter would. A wrong decision leaves an error that dies away with the tails; where the
// tails are most of what arrives of a bit (512 bit/s through a voice channel), it can carry
// into the next decisions in heavy noise.

#include <array>

namespace kub {

class PocsagBaseline {
public:
    // A fourth-order Butterworth high-pass at `highPassHz`, bits of `samplesPerBit` samples
    // at 22050 Hz; nothing decided yet.
    void start(double highPassHz, double samplesPerBit);
    bool active() const { return active_; }
    void stop() { active_ = false; }

    // What the bits decided so far add to the sums over the two halves of the coming bit,
    // for a signal of unit level.
    double firstHalf() const;
    double secondHalf() const;
    // The sums over the two halves of a bit's own window that it leaves of itself, at unit level.
    double ownFirst() const { return ownFirst_; }
    double ownSecond() const { return ownSecond_; }

    // The coming bit was decided: +1 or -1.
    void decided(double bit);

private:
    static constexpr int kStates = 4;
    bool active_ = false;
    std::array<std::array<double, kStates>, kStates> next_{};  // the state one bit later
    std::array<double, kStates> bitInput_{};                    // a unit bit's share of it
    std::array<double, kStates> first_{}, second_{};            // the halves' sums from the state
    std::array<double, kStates> state_{};
    double ownFirst_ = 0;
    double ownSecond_ = 0;
};

}  // namespace kub
