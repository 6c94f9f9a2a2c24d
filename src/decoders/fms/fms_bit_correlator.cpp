#include "decoders/fms/fms_bit_correlator.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/wide_vectors.h"
#include "decoders/fms/fms_tone_fit.h"

namespace kub {

namespace {
// The preamble's 1 bits right before the sync word that take part in finding the clock.
constexpr int kPreambleBits = 4;
// Echo gains tried, and how much better per bit a reading through an echo remover must
// fit than the one as heard.
constexpr std::array<double, 3> kEchoGains = {0.3, 0.5, 0.7};
constexpr double kEchoMargin = 0.01;
// Of the 303 echo removals, the first look covers the preamble, the sync word and this many
// bits, and this many removals that look best are read in full. On the echo benches the
// removal a telegram was read through always looked best or second best (with 12 bits it
// was once eleventh).
constexpr int kEchoLookBits = 20;
constexpr std::ptrdiff_t kEchoShortlist = 24;

using Four = double __attribute__((vector_size(32)));
using FourBits = std::uint64_t __attribute__((vector_size(32)));

void load(Four& v, const double* p) { std::memcpy(&v, p, sizeof v); }

// How a bit's decision counts towards a clock start's score: as it is (a 1 that must be
// there), turned (a 0 that must be there), or by its sureness alone (a bit not known).
enum class Counts { AsIs, Turned, Sureness };

struct ScoreRow {
    const double* soft;  // the bit's decision for each start
    Counts counts;
};

// The score of every start, the rows added in their order; eight starts at a time stay in
// registers over all rows. Subtracting is adding the turned decision, to the last bit;
// the sureness is the decision with its sign bit cleared, as |x| gives it.
KUB_WIDE_VECTORS
void scoreStarts(const ScoreRow* rows, std::size_t rowCount, std::size_t starts, double* scores) {
    const FourBits sign = FourBits{} + 0x8000000000000000ull;
    std::size_t j = 0;
    for (; j + 8 <= starts; j += 8) {
        Four a{}, b{};
        for (std::size_t r = 0; r < rowCount; ++r) {
            Four x, y;
            load(x, rows[r].soft + j);
            load(y, rows[r].soft + j + 4);
            switch (rows[r].counts) {
                case Counts::AsIs:
                    a += x;
                    b += y;
                    break;
                case Counts::Turned:
                    a -= x;
                    b -= y;
                    break;
                case Counts::Sureness:
                    a += (Four)((FourBits)x & ~sign);
                    b += (Four)((FourBits)y & ~sign);
                    break;
            }
        }
        std::memcpy(scores + j, &a, sizeof a);
        std::memcpy(scores + j + 4, &b, sizeof b);
    }
    for (; j < starts; ++j) {
        double score = 0.0;
        for (std::size_t r = 0; r < rowCount; ++r) {
            const double x = rows[r].soft[j];
            score += rows[r].counts == Counts::AsIs ? x : rows[r].counts == Counts::Turned ? -x : std::fabs(x);
        }
        scores[j] = score;
    }
}

// The audio without an echo of `gain`, `delay` samples late: clean[k] = heard[k] -
// gain clean[k - delay]. An echo is at least four samples late, so four samples at a time
// need only ones already worked out.
KUB_WIDE_VECTORS
void removeEcho(const double* heard, std::size_t count, double gain, std::size_t delay, double* clean) {
    const std::size_t direct = std::min(delay, count);
    std::copy(heard, heard + direct, clean);
    std::size_t k = direct;
    for (; k + 4 <= count; k += 4) {
        Four h, c;
        load(h, heard + k);
        load(c, clean + k - delay);
        const Four x = h - gain * c;
        std::memcpy(clean + k, &x, sizeof x);
    }
    for (; k < count; ++k) clean[k] = heard[k] - gain * clean[k - delay];
}

}  // namespace

void FmsBitCorrelator::append(const SampleArray& block) {
    const auto at = static_cast<std::size_t>(seen_ & (kHistory - 1));
    // kHistory is a multiple of the block length: a block never wraps.
    static_assert(kHistory % kBlockFrames == 0);
    std::copy(block.begin(), block.end(), history_.begin() + static_cast<std::ptrdiff_t>(at));
    seen_ += kBlockFrames;
}

double FmsBitCorrelator::bitSoft(const FmsToneSums& sums, std::int64_t base, double start) {
    const auto first = static_cast<std::int64_t>(std::ceil(start));
    const auto length = static_cast<std::int64_t>(std::ceil(start + kSamplesPerBit)) - first;
    return sums.soft(static_cast<std::size_t>(first - base), static_cast<std::size_t>(length));
}

std::int64_t FmsBitCorrelator::stretchEnd(double near, int n) {
    const double latest = near + kSearchBits * kSamplesPerBit + n * kSamplesPerBit + 1.0;
    return static_cast<std::int64_t>(std::ceil(latest)) + 1;
}

bool FmsBitCorrelator::heardStretch(double near, int n, Stretch& out) const {
    const double reach = kSearchBits * kSamplesPerBit;
    const double earliest = near - reach - kPreambleBits * kSamplesPerBit;
    const double latest = near + reach + n * kSamplesPerBit + 1.0;
    if (earliest < static_cast<double>(seen_ - kHistory) || earliest < 0.0 ||
        latest > static_cast<double>(seen_))
        return false;
    out.base = static_cast<std::int64_t>(std::floor(earliest));
    out.first = std::max<std::int64_t>({out.base - kEchoLeadIn, seen_ - kHistory, 0});
    const auto count = std::min<std::int64_t>(stretchEnd(near, n) - out.first, kHistory);
    out.samples.resize(static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count; ++i) out.samples[static_cast<std::size_t>(i)] = sample(out.first + i);
    return true;
}

void FmsBitCorrelator::sumTones(const Stretch& audio, std::size_t count, FmsToneSums& sums) {
    const auto skip = static_cast<std::size_t>(audio.base - audio.first);
    sums.fill(audio.samples.data() + skip, count - skip);
}

bool FmsBitCorrelator::read(double near, int n, Reading& out) const {
    n = std::min(n, kMaxBits);
    Stretch heard;
    if (!heardStretch(near, n, heard)) return false;
    FmsToneSums sums;
    sumTones(heard, heard.samples.size(), sums);
    readFrom(sums, heard.base, near, n, out);
    return true;
}

bool FmsBitCorrelator::readThroughEcho(double near, int n, Reading& out) const {
    n = std::min(n, kMaxBits);
    Stretch heard;
    if (!heardStretch(near, n, heard)) return false;
    // The stretch as it would be without an echo of gain g, d samples late:
    // x[i] = y[i] - g x[i - d]. The echo of a bit lies over the bits a few later and
    // turns their tone energies; the removal whose clock, sync word and decisions fit
    // clearly better than the audio as heard is taken.
    FmsToneSums sums;
    const std::size_t count = heard.samples.size();
    sumTones(heard, count, sums);
    Reading trial;
    double best = readFrom(sums, heard.base, near, n, trial) + kEchoMargin * n;
    static_assert(kMinEchoDelay >= 4);
    // A first look at every removal: the clock search over the preamble, the sync word and
    // the first bits alone, from the audio they need. Only the removals that look best are
    // read in full; they are read in the order of the whole search, so that the one taken
    // is the one the whole search would take whenever it is among them.
    constexpr int kDelays = kMaxEchoDelay - kMinEchoDelay + 1;
    struct Trial {
        double look = 0.0;
        double gain = 0.0;
        int delay = 0;
        int order = 0;
    };
    std::array<Trial, kEchoGains.size() * kDelays> trials{};
    const auto lookCount = static_cast<std::size_t>(
        std::min<std::int64_t>(stretchEnd(near, std::min(n, kEchoLookBits)) - heard.first, static_cast<std::int64_t>(count)));
    Stretch clean = heard;
    for (std::size_t g = 0; g < kEchoGains.size(); ++g)
        for (int d = kMinEchoDelay; d <= kMaxEchoDelay; ++d) {
            const auto at = g * kDelays + static_cast<std::size_t>(d - kMinEchoDelay);
            removeEcho(heard.samples.data(), lookCount, kEchoGains[g], static_cast<std::size_t>(d), clean.samples.data());
            sumTones(clean, lookCount, sums);
            trials[at] = {readFrom(sums, heard.base, near, std::min(n, kEchoLookBits), trial), kEchoGains[g], d,
                          static_cast<int>(at)};
        }
    const auto shortlist = trials.begin() + kEchoShortlist;
    std::partial_sort(trials.begin(), shortlist, trials.end(), [](const Trial& a, const Trial& b) {
        return a.look > b.look || (a.look == b.look && a.order < b.order);
    });
    std::sort(trials.begin(), shortlist, [](const Trial& a, const Trial& b) { return a.order < b.order; });
    bool found = false;
    for (auto t = trials.begin(); t != shortlist; ++t) {
        removeEcho(heard.samples.data(), count, t->gain, static_cast<std::size_t>(t->delay), clean.samples.data());
        sumTones(clean, count, sums);
        const double score = readFrom(sums, heard.base, near, n, trial);
        // A removal that makes the sync word read wrong has not found the channel, however
        // sure its other decisions come out (one that boosts 1800 Hz reads all 0s surely).
        if (score > best && std::equal(kSyncWord.begin(), kSyncWord.end(), trial.bits.begin())) {
            best = score;
            out = trial;
            found = true;
        }
    }
    return found;
}

bool FmsBitCorrelator::holdsDropOut(double near, int n) const {
    const auto first = std::max<std::int64_t>(static_cast<std::int64_t>(std::floor(near)), seen_ - kHistory);
    const auto last = std::min<std::int64_t>(static_cast<std::int64_t>(std::ceil(near + n * kSamplesPerBit)), seen_);
    if (last - first < kDropOutSamples) return false;
    double energy = 0.0;
    for (std::int64_t i = first; i < last; ++i) energy += sample(i) * sample(i);
    const double quiet = kDropOutLevel * kDropOutLevel * energy / static_cast<double>(last - first);
    int run = 0;
    for (std::int64_t i = first; i < last; ++i) {
        run = sample(i) * sample(i) < quiet ? run + 1 : 0;
        if (run >= kDropOutSamples) return true;
    }
    return false;
}

double FmsBitCorrelator::misfit(const Reading& clock, const std::uint8_t* bits, int n) const {
    const double start = clock.endSample - n * kSamplesPerBit;
    const auto first = static_cast<std::int64_t>(std::floor(start - kFmsFitLeadBits * kSamplesPerBit)) - 4;
    const auto end = static_cast<std::int64_t>(std::ceil(start + n * kSamplesPerBit)) + 4;
    if (first < 0 || first < seen_ - kHistory || end > seen_) return 0.0;
    std::vector<double> audio(static_cast<std::size_t>(end - first));
    for (std::size_t i = 0; i < audio.size(); ++i) audio[i] = sample(first + static_cast<std::int64_t>(i));
    return fmsToneMisfit(audio.data(), audio.size(), start - static_cast<double>(first), bits, n, shape_ ? &*shape_ : nullptr);
}

double FmsBitCorrelator::readFrom(const FmsToneSums& sums, std::int64_t base, double near, int n, Reading& out) {
    const double reach = kSearchBits * kSamplesPerBit;
    // Every whole-sample start within reach; the one where the known bits agree and the
    // unknown ones are surest is the clock. Bit k lies the same whole number of samples
    // after every start and has the same length, so the scores of all starts grow bit by
    // bit together, each bit from a row of neighbouring decisions.
    constexpr std::size_t kMaxStarts = 64;
    static_assert(2.0 * kSearchBits * kSamplesPerBit + 1.0 < kMaxStarts);
    const double firstStart = std::ceil(near - reach);
    std::size_t starts = 0;
    for (double start = firstStart; start <= near + reach; start += 1.0) ++starts;
    std::array<ScoreRow, kPreambleBits + kMaxBits> rows{};
    std::size_t rowCount = 0;
    for (int k = -kPreambleBits; k < n; ++k) {
        const double offset = k * kSamplesPerBit;
        const auto first = static_cast<std::int64_t>(std::ceil(offset));
        const auto length = static_cast<std::size_t>(static_cast<std::int64_t>(std::ceil(offset + kSamplesPerBit)) - first);
        const Counts counts = k < 0 ? Counts::AsIs
                              : k < static_cast<int>(kSyncWord.size())
                                  ? (kSyncWord[static_cast<std::size_t>(k)] != 0 ? Counts::AsIs : Counts::Turned)
                                  : Counts::Sureness;
        rows[rowCount++] = {sums.softs(length) + (static_cast<std::int64_t>(firstStart) + first - base), counts};
    }
    std::array<double, kMaxStarts> scores{};
    scoreStarts(rows.data(), rowCount, starts, scores.data());
    double bestScore = -1e300;
    double bestStart = near;
    for (std::size_t j = 0; j < starts; ++j)
        if (scores[j] > bestScore) {
            bestScore = scores[j];
            bestStart = firstStart + static_cast<double>(j);
        }
    for (int k = 0; k < n; ++k) {
        const auto i = static_cast<std::size_t>(k);
        out.soft[i] = bitSoft(sums, base, bestStart + k * kSamplesPerBit);
        out.bits[i] = out.soft[i] > 0.0 ? 1 : 0;
    }
    out.endSample = bestStart + n * kSamplesPerBit;
    return bestScore;
}

}  // namespace kub
