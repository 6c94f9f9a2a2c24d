#pragma once
// Mains hum out of a channel: 50 Hz or 60 Hz with its harmonics, picked up on the way
// from the receiver to the sound card (a ground loop, a transformer nearby). Hum repeats
// with the mains period and nothing else on the channel does for long, so the mean of
// the signal at each point of the period, over a second or so, is the hum alone, and it
// is taken away. A high-pass could not do it for pager data, whose long runs of equal
// bits reach down to a few hertz. 441 samples are one period of 50 Hz at 22050 samples
// per second, 735 two periods of 60 Hz; the two stages follow each other, and each lets
// the other's hum through (it does not repeat with its period).
//
// A long steady tone whose period fits the ring (1200 Hz fits 441 samples, and so does a
// pager preamble at 1200 or 2400 bit/s) is learnt as well, and would be taken away from
// what follows it. So the caller stops the learning while its own transmission runs, and
// when a transmission turns out to have begun, it goes back to the estimate from before
// its start: keep() every tenth of a second or so, goBack() as many keeps as the preamble
// may have been on before it was found. A slow preamble may be found only half a second
// after it began; an estimate that has learnt part of it gives it back after the
// transmission, as a preamble that is not there.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <numbers>
#include <utility>

#include "common/wide_vectors.h"

namespace kub {

class HumCanceller {
public:
    // One sample through both stages; `learn`: update the hum estimate with it.
    double step(double x, bool learn) {
        double& a = fifty_[i50_];
        const double y = x - a;
        double& b = sixty_[i60_];
        const double z = y - b;
        if (learn) {
            a += kGain * (x - a);
            b += kGain * (y - b);
        }
        if (++i50_ == fifty_.size()) i50_ = 0;
        if (++i60_ == sixty_.size()) i60_ = 0;
        return z;
    }

    // `n` samples went by unseen: the estimate stays, its place in the period moves on.
    void skip(std::uint64_t n) {
        i50_ = static_cast<std::size_t>((i50_ + n) % fifty_.size());
        i60_ = static_cast<std::size_t>((i60_ + n) % sixty_.size());
    }

    // The kept estimates are a ring: a new one takes the oldest one's place, and nothing
    // else moves (shifting them all moved tens of KB each time).
    void keep() {
        newest_ = (newest_ + 1) % kept_.size();
        kept_[newest_] = {fifty_, sixty_};
        count_ = std::min(count_ + 1, kept_.size());
    }
    // Back to the estimate kept `keeps` keeps ago (1: the newest), or the oldest there is.
    // The one gone back to is where learning goes on from: nothing older is gone back to
    // later, or a channel whose transmissions follow each other closer than the way back
    // would lose what it learnt between them each time and never learn its hum.
    void goBack(std::size_t keeps) {
        aside_ = {{fifty_, sixty_}, newest_, count_};
        const std::size_t back = std::clamp<std::size_t>(keeps, 1, count_) - 1;
        newest_ = (newest_ + kept_.size() - back) % kept_.size();
        fifty_ = kept_[newest_].fifty;
        sixty_ = kept_[newest_].sixty;
        count_ = 1;
    }
    // While what was found may still be no transmission, the estimate from before going
    // back learns on aside from the block (before process() takes it), so that a false
    // preamble, which may hold for a second, does not hold up the learning. The estimate
    // in use learns nothing of it: a real preamble would be learnt and taken away from
    // itself as the slicers measure it.
    template <typename Block>
    void learnAside(const Block& block) {
        const double* x = std::data(block);
        walk(std::size(block), [&](std::size_t at, std::size_t a, std::size_t b, std::size_t n) {
            run<true, false>(x + at, aside_.now.fifty.data() + a, aside_.now.sixty.data() + b, n);
        });
    }
    // It was none: the estimate learnt aside is taken up, and the kept ones are as they were.
    void undoGoBack() {
        fifty_ = aside_.now.fifty;
        sixty_ = aside_.now.sixty;
        newest_ = aside_.newest;
        count_ = aside_.count;
    }
    static constexpr std::size_t kKept = 10;

    // The same as step() over a block. Cut where either ring wraps, the pieces have no
    // index to wrap and no sample that waits for another, so that several go through at once.
    // `subtract` false: the block stays as it is, and the estimate learns from it all the same.
    template <typename Block>
    void process(Block& block, bool learn, bool subtract = true) {
        double* x = std::data(block);
        const auto [a, b] = walk(std::size(block), [&](std::size_t at, std::size_t p50, std::size_t p60, std::size_t n) {
            if (!subtract) {
                if (learn) run<true, false>(x + at, fifty_.data() + p50, sixty_.data() + p60, n);
            } else if (learn) {
                run<true>(x + at, fifty_.data() + p50, sixty_.data() + p60, n);
            } else {
                run<false>(x + at, fifty_.data() + p50, sixty_.data() + p60, n);
            }
        });
        i50_ = a;
        i60_ = b;
    }

    // Whether the estimate holds hum: a line on a mains harmonic up to 500 Hz (or the DC the
    // rings take as well) that stands well above the rest of its ring's spectrum. Learnt from
    // noise alone, the estimate is as flat as the noise, and taking it away only adds a little
    // noise; learnt in part from a transmission (a preamble before it was found, the data
    // after the lock lost it), it would take away a piece of the next one. The lines a pager
    // preamble makes (600 and 1200 Hz and their odd multiples) lie above the lines looked at.
    // `held`: the answer the last time; it changes only for a clear difference, so that hum
    // near the mark is not taken away now and then.
    bool holdsHum(bool held) const {
        const double over = held ? kHumLineDropsBelow : kHumLineStandsOut;
        // 50 Hz ring: bins of 50 Hz; DC to 500 Hz against 550 to 1150 Hz.
        constexpr int kLines50[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        constexpr int kRest50[] = {11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23};
        // 60 Hz ring (two periods): bins of 30 Hz; 60 to 480 Hz against the odd bins from
        // 510 to 1170 Hz that are not 50 Hz harmonics either. The rest lies above the lines in
        // both rings: behind a voice band's edge at 300 Hz, noise below it is gone, and a rest
        // taken there would make the noise above the edge stand out as lines.
        constexpr int kLines60[] = {2, 4, 6, 8, 10, 12, 14, 16};
        constexpr int kRest60[] = {17, 19, 21, 23, 27, 29, 31, 33, 37, 39};
        return linesStandOut(fifty_, kLines50, kRest50, over) || linesStandOut(sixty_, kLines60, kRest60, over);
    }

private:
    // Hands `piece(at, p50, p60, n)` the next `count` samples from the rings' places on, cut
    // where either ring wraps; returns the places behind them.
    template <typename Piece>
    std::pair<std::size_t, std::size_t> walk(std::size_t count, const Piece& piece) const {
        std::size_t a = i50_;
        std::size_t b = i60_;
        for (std::size_t at = 0; at < count;) {
            const std::size_t n = std::min({count - at, fifty_.size() - a, sixty_.size() - b});
            piece(at, a, b, n);
            at += n;
            a = (a + n) % fifty_.size();
            b = (b + n) % sixty_.size();
        }
        return {a, b};
    }

    // `X` is const double where the block is only learnt from (Write false).
    template <bool Learn, bool Write = true, typename X>
    static void run(X* __restrict x, double* __restrict fifty, double* __restrict sixty, std::size_t n) {
        for (std::size_t k = 0; k < n; ++k) {
            const double y = x[k] - fifty[k];
            const double z = y - sixty[k];
            if constexpr (Learn) {
                fifty[k] += kGain * (x[k] - fifty[k]);
                sixty[k] += kGain * (y - sixty[k]);
            }
            if constexpr (Write) x[k] = z;
        }
    }

    // The powers of the ring's `bins`th harmonics (of the ring's length), all in one pass: a
    // Goertzel recursion per bin, the bins side by side so that the loop over them runs in
    // vector registers (with AVX2 four at a time, the same operations on each). The ring's
    // start does not matter to a harmonic's power.
    template <std::size_t N, std::size_t B>
    KUB_WIDE_VECTORS static std::array<double, B> binPowers(const std::array<double, N>& ring, const int (&bins)[B]) {
        std::array<double, B> c{}, s1{}, s2{};
        for (std::size_t b = 0; b < B; ++b) c[b] = 2.0 * std::cos(2.0 * std::numbers::pi * bins[b] / static_cast<double>(N));
        for (const double v : ring) {
            for (std::size_t b = 0; b < B; ++b) {
                const double s0 = v + c[b] * s1[b] - s2[b];
                s2[b] = s1[b];
                s1[b] = s0;
            }
        }
        std::array<double, B> power{};
        for (std::size_t b = 0; b < B; ++b) power[b] = s1[b] * s1[b] + s2[b] * s2[b] - c[b] * s1[b] * s2[b];
        return power;
    }
    // Whether one of `lines` is more than `over` times the median of `rest`.
    template <std::size_t N, std::size_t L, std::size_t R>
    // The rest and the lines go through the ring in one pass: each bin's recursion waits for
    // its own last value, so one pass over many bins takes hardly longer than over a few.
    static bool linesStandOut(const std::array<double, N>& ring, const int (&lines)[L], const int (&rest)[R], double over) {
        int bins[R + L];
        std::copy(std::begin(rest), std::end(rest), bins);
        std::copy(std::begin(lines), std::end(lines), bins + R);
        const std::array<double, R + L> power = binPowers(ring, bins);
        std::array<double, R> floor;
        std::copy_n(power.begin(), R, floor.begin());
        std::nth_element(floor.begin(), floor.begin() + R / 2, floor.end());
        const double mark = over * floor[R / 2];
        for (std::size_t i = R; i < R + L; ++i)
            if (power[i] > mark) return true;
        return false;
    }
    // A bin of noise is above 100 times the median of others practically never (each an
    // exponential of its mean, the median about 0.7 of it); what a steep voice band's edge
    // rings after each transmission near 300 Hz reached 20 times. Hum at 20 dB below the
    // signal still stands 30 dB out.
    static constexpr double kHumLineStandsOut = 100.0;
    static constexpr double kHumLineDropsBelow = 30.0;

    // About 64 periods: a second and a quarter at 50 Hz. Slower would follow the mains
    // frequency's wandering less well; faster would let more of the noise and the data
    // into the estimate.
    static constexpr double kGain = 1.0 / 64.0;
    std::array<double, 441> fifty_{};
    std::array<double, 735> sixty_{};
    std::size_t i50_ = 0;
    std::size_t i60_ = 0;
    struct Estimate {
        std::array<double, 441> fifty{};
        std::array<double, 735> sixty{};
    };
    std::array<Estimate, kKept> kept_{};
    std::size_t newest_ = 0;  // in kept_
    // Kept since the last goBack(), that one included; at the start the one kept is the
    // empty estimate, before anything was learnt.
    std::size_t count_ = 1;
    struct Aside {
        Estimate now;
        std::size_t newest = 0;
        std::size_t count = 0;
    };
    Aside aside_{};
};

}  // namespace kub
