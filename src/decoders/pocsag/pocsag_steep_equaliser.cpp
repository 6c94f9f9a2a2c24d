#include "decoders/pocsag/pocsag_steep_equaliser.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "decoders/pocsag/pocsag_bch.h"
#include "decoders/pocsag/pocsag_state.h"
#include "decoders/pocsag/pocsag_vouch.h"

namespace kub {

namespace {

// Alternating bits before a break that make it the preamble's end.
constexpr int kPreambleBits = 32;
// Preamble bits the channel is learnt from with the sync codeword (they pin down the
// alternating sum of the shares), and how far back their own earlier bits reach.
constexpr int kPreambleLearnt = 40;
constexpr int kPreambleReach = 40 + kChannelTaps;
// Shares learnt from the sync codeword alone, and from the codewords known later.
constexpr int kFirstTaps = 24;
constexpr int kLaterTaps = kChannelTaps;
// The codewords the channel is learnt from again once it runs: the last six.
constexpr int kRelearnBits = 192;
// Wrong bits the sync codeword may have at the start of a later batch.
constexpr int kSyncErrors = 4;
constexpr int kBatchWords = 17;

// A bit read through a learnt channel is never as sure as one heard plainly: the check may
// mend only its weakest bits (see pocsag_vouch.h).
constexpr double kClarityShare = 0.75;
// The share of what was heard over the sync codeword and the codeword after it that the
// learnt channel may leave unexplained. Through a steep edge at 15 dB it leaves 0.5 to 3 %;
// a tone taken for a preamble (a five-tone call, an alarm tone pair) leaves 25 % and more,
// though 24 shares fitted to a sync codeword that was never sent may still read a codeword
// the check vouches for after it.
constexpr double kMisfitShare = 0.12;
// Codewords in a row not vouched for after which the reading is lost, and the size of the
// bits given out then (a drop-out's, so that no codeword is taken from them).
constexpr int kLostAfterWords = 2;
constexpr double kLostSize = 1e-6;

std::uint32_t syncWord(bool inverted) { return inverted ? kInvertedSyncCodeword : kSyncCodeword; }

}  // namespace

void PocsagSteepEqualiser::reset() { *this = PocsagSteepEqualiser(); }

// The bit `n` as read, with every half sum up to the bit just decided that it reaches.
double PocsagSteepEqualiser::softAt(long n) const {
    return bitClarity([this](long k) { return x_[at(k)]; },
                      [this](long k, int half) { return half == 0 ? y1_[at(k)] : y2_[at(k)]; }, first_, second_, n,
                      count_ - 1);
}

// How far the half sums from bit `from` to the bit just decided lie from what the channel
// makes of the bits as they stand in x_.
double PocsagSteepEqualiser::misfitFrom(long from) const {
    double sum = 0;
    for (long n = from; n < count_; ++n) {
        double e1 = y1_[at(n)], e2 = y2_[at(n)];
        for (std::size_t k = 0; k < first_.size(); ++k) {
            const double b = x_[at(n - static_cast<long>(k))];
            e1 -= first_[k] * b;
            e2 -= second_[k] * b;
        }
        sum += e1 * e1 + e2 * e2;
    }
    return sum;
}

double PocsagSteepEqualiser::heardEnergyFrom(long from) const {
    double sum = 0;
    for (long n = from; n < count_; ++n) sum += y1_[at(n)] * y1_[at(n)] + y2_[at(n)] * y2_[at(n)];
    return sum;
}

bool PocsagSteepEqualiser::refit(long from, long to, int taps) {
    ChannelTaps f = first_, s = second_;
    if (!fitChannel(y1_.data(), y2_.data(), x_.data(), known_.data(), kHistory, from, to, taps, f, s) ||
        !(f[0] + s[0] > 0))
        return false;
    first_ = f;
    second_ = s;
    return true;
}

void PocsagSteepEqualiser::decided(double bit, double h1, double h2) {
    const long n = count_++;
    y1_[at(n)] = h1;
    y2_[at(n)] = h2;
    hasOutput_ = false;
    if (learnt_) {
        double out = 0;
        double soft = 0;
        if (!reader_.step(h1, h2, first_, second_, out, soft)) return;
        const long m = outNext_++;
        x_[at(m)] = out;
        known_[at(m)] = false;
        hasOutput_ = true;
        outSoft_ = lost_ ? std::copysign(kLostSize, soft) : soft * kClarityShare;
        wordSizes_[static_cast<std::size_t>(m - wordStart_)] = static_cast<float>(std::fabs(soft * kClarityShare));
        if (m - wordStart_ == 31) wordEnded();
        return;
    }
    const double previous = x_[at(n - 1)];
    x_[at(n)] = bit;
    known_[at(n)] = false;
    if (breakAt_ < 0) {
        if (n > 0 && bit != previous) {
            ++alternating_;
        } else {
            if (alternating_ >= kPreambleBits) breakAt_ = n;
            alternating_ = 0;
        }
    } else if (n == breakAt_ + 63) {
        tryStarts();
        if (!learnt_) breakAt_ = -1;
    }
}

void PocsagSteepEqualiser::tryStarts() {
    const long now = count_ - 1;
    const auto heard = x_;  // the decisions as made, to go back to between tries
    double bestMisfit = 0;
    bool found = false;
    decltype(x_) bestX{};
    decltype(known_) bestKnown{};
    ChannelTaps bestFirst{}, bestSecond{};
    long bestStart = 0;
    bool bestInverted = false;
    for (long back = 0; back <= 2; ++back) {
        for (const bool inverted : {false, true}) {
            const long start = breakAt_ - back;
            x_ = heard;
            known_.fill(false);
            for (long i = start - kPreambleReach; i < start; ++i) known_[at(i)] = true;
            const std::uint32_t sync = syncWord(inverted);
            for (int b = 0; b < 32; ++b) {
                x_[at(start + b)] = ((sync >> (31 - b)) & 1u) != 0 ? 1.0 : -1.0;
                known_[at(start + b)] = true;
            }
            first_.fill(0);
            second_.fill(0);
            if (!refit(start - kPreambleLearnt, start + 32, kFirstTaps)) continue;
            // The codeword after the sync codeword, read through the channel just learnt.
            PocsagSequenceReader reader;
            reader.start(x_.data(), kHistory, start + 32);
            std::uint32_t word = 0;
            SoftSizes sizes{};
            int b = 0;
            const auto take = [&](double bit, double soft) {
                x_[at(start + 32 + b)] = bit;
                if (b < 32) {
                    word = (word << 1) | ((bit > 0) != inverted ? 1u : 0u);
                    sizes[static_cast<std::size_t>(31 - b)] = static_cast<float>(std::fabs(soft * kClarityShare));
                }
                ++b;
            };
            for (long i = start + 32; i <= now; ++i) {
                double bit = 0, soft = 0;
                if (reader.step(y1_[at(i)], y2_[at(i)], first_, second_, bit, soft)) take(bit, soft);
            }
            std::array<double, PocsagSequenceReader::kDelay> rest{}, restSoft{};
            const int left = reader.flush(first_, second_, rest, restSoft);
            for (int k = 0; k < left; ++k) take(rest[static_cast<std::size_t>(k)], restSoft[static_cast<std::size_t>(k)]);
            const CheckedCodeword c = correctCodeword(word);
            if (b < 32 || !vouchedFor(word, c, sizes)) continue;
            for (int k = 0; k < 32; ++k) {
                const bool one = ((c.word >> (31 - k)) & 1u) != 0;
                x_[at(start + 32 + k)] = one != inverted ? 1.0 : -1.0;
                known_[at(start + 32 + k)] = true;
            }
            // Starts a bit apart may all read the codeword (the shares move by a bit with
            // them); the one whose channel explains what was heard best is taken.
            const double misfit = misfitFrom(breakAt_);
            if (!(misfit <= kMisfitShare * heardEnergyFrom(breakAt_))) continue;
            if (found && misfit >= bestMisfit) continue;
            found = true;
            bestMisfit = misfit;
            bestX = x_;
            bestKnown = known_;
            bestFirst = first_;
            bestSecond = second_;
            bestStart = start;
            bestInverted = inverted;
        }
    }
    if (!found) {
        x_ = heard;
        known_.fill(false);
        first_.fill(0);
        second_.fill(0);
        return;
    }
    first_ = bestFirst;
    second_ = bestSecond;
    x_ = bestX;
    known_ = bestKnown;
    // The codeword just read is known: the channel is learnt once more with it.
    refit(bestStart - kPreambleLearnt, bestStart + 64, kFirstTaps);
    learnt_ = true;
    inverted_ = bestInverted;
    reader_.start(x_.data(), kHistory, bestStart + 64);
    outNext_ = wordStart_ = bestStart + 64;
    wordInBatch_ = 2;
    for (long i = bestStart + 64; i <= now; ++i) {
        double bit = 0, soft = 0;
        reader_.step(y1_[at(i)], y2_[at(i)], first_, second_, bit, soft);
    }
    // What the slicer put out for this stretch was read without the tails taken off.
    reread_.count = kRereadBits;
    reread_.back = static_cast<int>(now - bestStart);
    for (int k = 0; k < kRereadBits; ++k) reread_.soft[static_cast<std::size_t>(k)] = softAt(bestStart + k) * kClarityShare;
}

void PocsagSteepEqualiser::wordEnded() {
    const long start = wordStart_;
    std::uint32_t word = 0;
    SoftSizes sizes{};
    for (int b = 0; b < 32; ++b) {
        word = (word << 1) | ((x_[at(start + b)] > 0) != inverted_ ? 1u : 0u);
        sizes[static_cast<std::size_t>(31 - b)] = wordSizes_[static_cast<std::size_t>(b)];
    }
    std::uint32_t sent = 0;
    bool certain = false;
    if (wordInBatch_ == 0) {
        certain = std::popcount(word ^ kSyncCodeword) <= kSyncErrors;
        sent = kSyncCodeword;
    } else {
        const CheckedCodeword c = correctCodeword(word);
        certain = vouchedFor(word, c, sizes);
        sent = c.word;
    }
    // Two codewords in a row not vouched for: the channel or the clock has been lost, and
    // what is read is noise to the check. Nothing more is given out as heard until the sync
    // codeword of a batch comes where it must.
    failedInRow_ = certain ? 0 : failedInRow_ + 1;
    if (failedInRow_ >= kLostAfterWords) lost_ = true;
    if (certain && wordInBatch_ == 0) lost_ = false;
    if (certain) {
        for (int b = 0; b < 32; ++b) {
            const bool one = ((sent >> (31 - b)) & 1u) != 0;
            const double bit = one != inverted_ ? 1.0 : -1.0;
            x_[at(start + b)] = bit;
            known_[at(start + b)] = true;
            reader_.settle(start + b, bit);
        }
        refit(start + 32 - kRelearnBits, start + 32, kLaterTaps);
    }
    wordStart_ = start + 32;
    wordInBatch_ = (wordInBatch_ + 1) % kBatchWords;
}

}  // namespace kub
