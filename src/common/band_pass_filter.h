#pragma once
// Band-pass in front of the zero-crossing decoders: a Butterworth high-pass and a
// Butterworth low-pass, each a cascade of second-order sections. Noise outside the band
// of a decoder's tones moves zero crossings as much as noise inside it, so cutting the
// band down is most of what a crossing counter can gain. The coefficients are worked out
// once; per sample there are only multiplications and additions, and the state lives in
// the object so that each channel filters its own stream without allocating.

#include <array>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <numbers>
#include <type_traits>

#include "common/wide_vectors.h"

namespace kub {

class BandPassFilter {
public:
    static constexpr int kMaxSections = 8;

    // `lowHz`, `highHz`: the -3 dB edges; `highPassOrder`, `lowPassOrder`: even orders
    // of the two Butterworth halves (two per section). `rate`: samples per second.
    BandPassFilter(double lowHz, double highHz, int highPassOrder, int lowPassOrder, double rate = 22050.0) {
        addButterworth(lowHz, highPassOrder, rate, true);
        addButterworth(highHz, lowPassOrder, rate, false);
    }

    // In every form below, the state's sum adds the term that waits on the section's own
    // output last: the rest is ready beforehand, and the recursion waits for one product
    // and one difference per sample instead of a product, a difference and a sum.
    double step(double x) {
        for (int i = 0; i < count_; ++i) {
            Section& s = sections_[static_cast<std::size_t>(i)];
            const double y = s.b0 * x + s.z1;
            s.z1 = (s.b1 * x + s.z2) - s.a1 * y;
            s.z2 = s.b2 * x - s.a2 * y;
            x = y;
        }
        return x;
    }

    // Filters a block in place. The state is worked on in locals: written through the
    // block's references it would have to be stored and reloaded at every sample, since
    // the compiler cannot tell the block from the state. The number of sections is made a
    // constant of the loop, so that it unrolls and the state stays in registers.
    template <typename Block>
    void process(Block& block) {
        process(block, [](double) {});
    }

    // The same, handing every filtered sample to `each` as it comes out. Whatever the
    // caller does with it then runs in the same loop as the filter: each of the two waits
    // for its own previous sample, and in one loop the processor works on both at once.
    // What `each` keeps from sample to sample is worked on in a copy of its own and handed
    // back at the end: through the caller's reference, every store of a filtered sample
    // into the block might be a store into that state, so it would be written and read
    // again at every sample.
    template <typename Block, typename Each>
    void process(Block& block, Each&& each) {
        using Own = std::remove_cvref_t<Each>;
        if constexpr (std::is_copy_assignable_v<Own> && !std::is_const_v<std::remove_reference_t<Each>>)
            each = runSections<Own>(block, each);
        else
            runSections<Own&>(block, each);
    }

    // The same filter at rest, as before its first sample.
    BandPassFilter atRest() const {
        BandPassFilter fresh = *this;
        for (Section& s : fresh.sections_) s.z1 = s.z2 = 0.0;
        return fresh;
    }

    // Gain magnitude at `hz` (design checks).
    double gainAt(double hz, double rate = 22050.0) const {
        const double w = 2.0 * std::numbers::pi * hz / rate;
        double g = 1.0;
        for (int i = 0; i < count_; ++i) {
            const Section& s = sections_[static_cast<std::size_t>(i)];
            // |B(e^jw)| / |A(e^jw)| with z^-1 = e^-jw.
            const double c1 = std::cos(w), s1 = std::sin(w), c2 = std::cos(2 * w), s2 = std::sin(2 * w);
            const double br = s.b0 + s.b1 * c1 + s.b2 * c2, bi = -(s.b1 * s1 + s.b2 * s2);
            const double ar = 1.0 + s.a1 * c1 + s.a2 * c2, ai = -(s.a1 * s1 + s.a2 * s2);
            g *= std::sqrt((br * br + bi * bi) / (ar * ar + ai * ai));
        }
        return g;
    }

    int sections() const { return count_; }

private:
    struct Section {
        double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
        double z1 = 0, z2 = 0;
    };

    // `Each` is the caller's per-sample work, as a value of our own or a reference.
    template <typename Each, typename Block>
    Each runSections(Block& block, Each each) {
        switch (count_) {
            case 1: return run<1, Block, Each>(block, each);
            case 4:
                if (std::size(block) >= 4) return runFourInPairs<Block, Each>(block, each);
                return run<4, Block, Each>(block, each);
            case 2: return run<2, Block, Each>(block, each);
            case 3: return run<3, Block, Each>(block, each);
            case 5: return run<5, Block, Each>(block, each);
            case 6: return run<6, Block, Each>(block, each);
            case 7: return run<7, Block, Each>(block, each);
            case 8: return run<8, Block, Each>(block, each);
            default: return each;
        }
    }

    template <int N, typename Block, typename Each>
    Each run(Block& block, Each each) {
        std::array<Section, N> s;
        for (std::size_t i = 0; i < N; ++i) s[i] = sections_[i];
        for (double& sample : block) {
            double x = sample;
            for (std::size_t i = 0; i < N; ++i) {
                Section& q = s[i];
                const double y = q.b0 * x + q.z1;
                q.z1 = (q.b1 * x + q.z2) - q.a1 * y;
                q.z2 = q.b2 * x - q.a2 * y;
                x = y;
            }
            sample = x;
            each(x);
        }
        for (std::size_t i = 0; i < N; ++i) sections_[i] = s[i];
        return each;
    }

    static double stepSection(Section& q, double x) {
        const double y = q.b0 * x + q.z1;
        q.z1 = (q.b1 * x + q.z2) - q.a1 * y;
        q.z2 = q.b2 * x - q.a2 * y;
        return y;
    }

    // Four sections (the FMS band-pass), two at a time. One sample through all four
    // sections is 36 operations, each section waiting only for its own previous sample,
    // so the work itself is the limit, not the waiting. Staggered, section k works on
    // sample n - k while section 0 takes sample n: sections 0 and 1 and sections 2 and 3
    // then do the same operations side by side, one instruction for each pair. Each
    // section sees the same numbers in the same order with the same operations as in
    // run<4>, so the output is the same to the last bit. The first three samples fill the
    // stagger and the last three empty it, one section at a time. With AVX2 the loop
    // takes a third fewer instructions (three-operand forms need no copies of registers);
    // the operations stay the same, so do the bits.
    template <typename Block, typename Each>
    KUB_WIDE_VECTORS Each runFourInPairs(Block& block, Each each) {
        using Pair = double __attribute__((vector_size(16)));
        double* const data = std::data(block);
        const std::size_t size = std::size(block);
        Section& s0 = sections_[0];
        Section& s1 = sections_[1];
        Section& s2 = sections_[2];
        Section& s3 = sections_[3];

        const double u0 = stepSection(s0, data[0]);
        const double u1 = stepSection(s0, data[1]);
        const double u2 = stepSection(s0, data[2]);
        const double v0 = stepSection(s1, u0);
        const double v1 = stepSection(s1, u1);
        const double w0 = stepSection(s2, v0);

        const Pair b0a{s0.b0, s1.b0}, b1a{s0.b1, s1.b1}, b2a{s0.b2, s1.b2}, a1a{s0.a1, s1.a1}, a2a{s0.a2, s1.a2};
        const Pair b0b{s2.b0, s3.b0}, b1b{s2.b1, s3.b1}, b2b{s2.b2, s3.b2}, a1b{s2.a1, s3.a1}, a2b{s2.a2, s3.a2};
        Pair z1a{s0.z1, s1.z1}, z2a{s0.z2, s1.z2}, z1b{s2.z1, s3.z1}, z2b{s2.z2, s3.z2};
        Pair xa{data[3], u2};
        Pair xb{v1, w0};
        Pair ya{}, yb{};
        for (std::size_t n = 3;; ++n) {
            ya = b0a * xa + z1a;
            z1a = (b1a * xa + z2a) - a1a * ya;
            z2a = b2a * xa - a2a * ya;
            yb = b0b * xb + z1b;
            z1b = (b1b * xb + z2b) - a1b * yb;
            z2b = b2b * xb - a2b * yb;
            data[n - 3] = yb[1];
            each(yb[1]);
            if (n + 1 == size) break;
            xa = Pair{data[n + 1], ya[0]};
            xb = Pair{ya[1], yb[0]};
        }
        s0.z1 = z1a[0];
        s1.z1 = z1a[1];
        s0.z2 = z2a[0];
        s1.z2 = z2a[1];
        s2.z1 = z1b[0];
        s3.z1 = z1b[1];
        s2.z2 = z2b[0];
        s3.z2 = z2b[1];

        const double vLast = stepSection(s1, ya[0]);
        const double wBeforeLast = stepSection(s2, ya[1]);
        const double wLast = stepSection(s2, vLast);
        const double w[3] = {yb[0], wBeforeLast, wLast};
        for (std::size_t i = 0; i < 3; ++i) {
            const double y = stepSection(s3, w[i]);
            data[size - 3 + i] = y;
            each(y);
        }
        return each;
    }

    void addButterworth(double hz, int order, double rate, bool highPass) {
        const int n = order / 2;
        const double w0 = 2.0 * std::numbers::pi * hz / rate;
        const double c = std::cos(w0);
        for (int k = 0; k < n && count_ < kMaxSections; ++k) {
            // Pole pair k of an order-`order` Butterworth prototype.
            const double q = 1.0 / (2.0 * std::cos(std::numbers::pi * (2 * k + 1) / (2.0 * order)));
            const double alpha = std::sin(w0) / (2.0 * q);
            const double a0 = 1.0 + alpha;
            Section s;
            if (highPass) {
                s.b0 = (1.0 + c) / 2.0 / a0;
                s.b1 = -(1.0 + c) / a0;
            } else {
                s.b0 = (1.0 - c) / 2.0 / a0;
                s.b1 = (1.0 - c) / a0;
            }
            s.b2 = s.b0;
            s.a1 = -2.0 * c / a0;
            s.a2 = (1.0 - alpha) / a0;
            sections_[static_cast<std::size_t>(count_++)] = s;
        }
    }

    std::array<Section, kMaxSections> sections_{};
    int count_ = 0;
};

}  // namespace kub
