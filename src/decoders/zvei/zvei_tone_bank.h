#pragma once
// Tone estimate of the ZVEI detector while the input filter is on. A zero-crossing count
// over 100 samples lets noise anywhere in the band move every crossing; a bank of narrow
// filters only hears noise inside its own 110 Hz. Every detector block of 200 samples is
// split into two halves of 100; each half gets the discrete Fourier coefficients at the
// 20 orthogonal frequencies k × 22050 / 200 Hz that span the tone table (772 to 2866 Hz).
//  - The strongest coefficient with its stronger neighbour (a tone between two bins
//    shares itself between them) must hold a fair share of the block's whole energy, and
//    no bin beyond their skirts may come near them: otherwise the block holds no single
//    tone (noise, speech, two tones at once) and is marked like an unsteady block.
//  - The tone's frequency is read from the phase its coefficient advances from the first
//    half to the second: a few hertz even at 0 dB, enough to tell "7" (1830 Hz) from "L"
//    (1860 Hz), which no bin of this width could.
// Per sample one product and two sums per bin, eight bins at a time; no allocation.

#include <array>
#include <cstdint>

namespace kub {

class ZveiToneBank {
public:
    static constexpr int kBins = 20;
    static constexpr int kFirstBin = 7;       // 772 Hz
    static constexpr int kHalfBlock = 100;    // samples per half block

    ZveiToneBank();

    // Feeds `count` samples, all belonging to the current half block (the caller cuts at
    // kHalfBlock). A DC level does not reach the bins of a whole block, and the block's
    // energy is taken about its mean.
    void add(const double* samples, int count);
    // Closes the first half of a block.
    void finishFirstHalf();
    // Closes the block: the measured tone frequency, or 0 when the block holds no single
    // tone or was not fed in two full halves (only the very first block of a run).
    double finishBlock();
    // Drops whatever was fed so far (a block cut short).
    void restart();

private:
    // The recursion runs over whole groups of eight bins; the lanes beyond the last bin
    // have a coefficient of 0 and are never read.
    static constexpr int kLanes = 8;
    static constexpr int kGroups = (kBins + kLanes - 1) / kLanes;
    static constexpr int kPadded = kGroups * kLanes;

    std::array<float, kPadded> coef_{};  // 2 cos(w)
    std::array<float, kBins> cosW_{};
    std::array<float, kBins> sinW_{};
    std::array<float, kPadded> s1_{};
    std::array<float, kPadded> s2_{};
    std::array<float, kBins> firstRe_{};
    std::array<float, kBins> firstIm_{};
    double energy_ = 0;  // sum of squares
    double sum_ = 0;     // sum, for the mean
    int filled_ = 0;
    enum class Half { First, Second };
    Half half_ = Half::First;  // the half being fed
};

}  // namespace kub
