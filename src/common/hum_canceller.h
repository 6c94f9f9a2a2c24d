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
#include <cstddef>
#include <cstdint>
#include <iterator>

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
        Block x = block;
        std::size_t a = i50_;
        std::size_t b = i60_;
        for (std::size_t at = 0; at < std::size(x);) {
            const std::size_t n = std::min({std::size(x) - at, fifty_.size() - a, sixty_.size() - b});
            run<true>(std::data(x) + at, aside_.now.fifty.data() + a, aside_.now.sixty.data() + b, n);
            at += n;
            a = (a + n) % fifty_.size();
            b = (b + n) % sixty_.size();
        }
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
    template <typename Block>
    void process(Block& block, bool learn) {
        double* x = std::data(block);
        std::size_t left = std::size(block);
        while (left > 0) {
            const std::size_t n = std::min({left, fifty_.size() - i50_, sixty_.size() - i60_});
            if (learn) {
                run<true>(x, fifty_.data() + i50_, sixty_.data() + i60_, n);
            } else {
                run<false>(x, fifty_.data() + i50_, sixty_.data() + i60_, n);
            }
            x += n;
            left -= n;
            i50_ += n;
            i60_ += n;
            if (i50_ == fifty_.size()) i50_ = 0;
            if (i60_ == sixty_.size()) i60_ = 0;
        }
    }

private:
    template <bool Learn>
    static void run(double* __restrict x, double* __restrict fifty, double* __restrict sixty, std::size_t n) {
        for (std::size_t k = 0; k < n; ++k) {
            const double y = x[k] - fifty[k];
            const double z = y - sixty[k];
            if constexpr (Learn) {
                fifty[k] += kGain * (x[k] - fifty[k]);
                sixty[k] += kGain * (y - sixty[k]);
            }
            x[k] = z;
        }
    }

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
