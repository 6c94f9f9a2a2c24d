#include "decoders/pocsag/pocsag_bits.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "common/wide_vectors.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kub {

namespace {

// Nearest integer, halves to even (the default rounding mode), as std::nearbyint gives it
// but without a library call per sample: adding 1.5 × 2^52 leaves no bits below the units,
// so the addition itself rounds; subtracting it again is exact.
inline double roundEven(double v) {
    constexpr double kShift = 6755399441055744.0;
    return std::fabs(v) < 0x1p51 ? (v + kShift) - kShift : v;
}

// The same, as a whole number. With SSE2 in one instruction: the conversion rounds in the
// current mode, halves to even by default, and beyond the int range (which no filtered
// 16-bit sample reaches) it gives the same value as the conversion after roundEven.
inline std::int32_t roundToInt(double v) {
#if defined(__SSE2__)
    return _mm_cvtsd_si32(_mm_set_sd(v));
#else
    return static_cast<std::int32_t>(roundEven(v));
#endif
}

int nextIndex(int i) { return (i + 1) % kPocsagRingSize; }

// The peaks' decay per sample, two steps of × 0.999 each rounded to a whole number, looked
// up for every peak up to twice what a 16-bit sample can reach (the filters overshoot a
// little): computed, the two steps form a chain of a dozen dependent operations that every
// sample waits for. Larger peaks are computed; the table is built by every process that
// decodes, so it is no larger than it has to be. Rounding halves to even is symmetric, so
// one table serves both signs.
constexpr int kDecayTableSize = 1 << 16;

double decayStep(double peak);

const std::vector<std::int32_t>& decayTable() {
    static const std::vector<std::int32_t> table = [] {
        std::vector<std::int32_t> t(kDecayTableSize);
        for (int p = 0; p < kDecayTableSize; ++p) t[static_cast<std::size_t>(p)] = static_cast<std::int32_t>(decayStep(decayStep(p)));
        return t;
    }();
    return table;
}

// A transmission may run for minutes; the bit count that only matters for the next
// preamble must not wrap meanwhile.
constexpr std::int32_t kPreambleBitsLimit = 30000;

// One run longer than the whole bit ring can only be a dead carrier; its bits would
// only lap the ring.
constexpr double kMaxBitsPerRun = kPocsagRingSize;

void putBit(PocsagBitState& st, double soft) {
    st.bitRing[static_cast<std::size_t>(st.bitWrite)] = soft;
    st.bitWrite = nextIndex(st.bitWrite);
}

double decayStep(double peak) { return roundEven(static_cast<double>(static_cast<std::int32_t>(peak)) * 0.999); }

}  // namespace

void ditherSamples(SampleArray& samples, DitherSource& random) {
    for (double& x : samples) x += random.next() - 0.5;
}

namespace {

// The run measurement of one sample; the decay table is looked up once per block. The
// trigger's state is worked on in locals over the block and written back at its end:
// through the state's reference it would be stored and loaded again at every sample, since
// the compiler cannot tell the run ring's stores from the other fields.
class RunMeter {
public:
    RunMeter(PocsagBitState& st, bool decayingNegPeak)
        : st_(st),
          decay_(decayTable().data()),
          decayingNegPeak_(decayingNegPeak),
          posPeak_(st.posPeak),
          negPeak_(st.negPeak),
          triggerHigh_(st.triggerHigh),
          prevLevel_(st.prevLevel),
          runPhase_(st.runPhase),
          resetAfter_(40.0 * st.bitPeriod),
          runWrite_(st.runWrite) {}
    RunMeter(const RunMeter&) = delete;
    RunMeter& operator=(const RunMeter&) = delete;

    ~RunMeter() {
        st_.posPeak = posPeak_;
        st_.negPeak = negPeak_;
        st_.triggerHigh = triggerHigh_;
        st_.prevLevel = prevLevel_;
        st_.runPhase = runPhase_;
        st_.runWrite = runWrite_;
    }

    void operator()(double x) {
        const double y = 2.0 * x;
        // Two decay steps, each back to a whole number: below about 500 the peak stays.
        // A sample beyond a peak becomes the peak, rounded. As the larger (smaller) of the
        // two whole numbers, without a branch that noise would make a toss-up: rounding
        // keeps the order, and a whole number rounds to itself, so a sample not beyond the
        // peak never rounds beyond it either.
        const std::int32_t rounded = roundToInt(x);
        posPeak_ = std::max(decayed(posPeak_), rounded);
        if (decayingNegPeak_) negPeak_ = decayedNegative(negPeak_);
        negPeak_ = std::min(negPeak_, rounded);

        // The trigger's state is asked first: it changes once a run, while the level goes
        // back and forth over the threshold of the state it is already in many times, and
        // a branch on that comparison first would be guessed wrong each time. The negative
        // peak never lies above zero nor the positive one below, so one sample never
        // crosses both ways.
        if (!triggerHigh_) {
            if (y > posPeak_) {
                const double d = std::max(y - prevLevel_, 1.0);
                const double t = (posPeak_ - prevLevel_) / d;
                store(-(runPhase_ - 1.0 + t));
                triggerHigh_ = true;
                runPhase_ = 1.0 - t;
            }
        } else if (y < negPeak_) {
            const double d = std::max(prevLevel_ - y, 1.0);
            const double t = (prevLevel_ - negPeak_) / d;
            store(runPhase_ - 1.0 + t);
            triggerHigh_ = false;
            runPhase_ = 1.0 - t;
        }
        runPhase_ += 1.0;
        prevLevel_ = y;
        // No transition for 40 bit lengths: start the thresholds again from the zero line.
        if (runPhase_ > resetAfter_) {
            posPeak_ = 0;
            negPeak_ = 0;
        }
    }

private:
    std::int32_t decayed(std::int32_t peak) const {
        // One unsigned comparison covers both ends of the table (a negative peak wraps to a
        // large number).
        if (static_cast<std::uint32_t>(peak) < kDecayTableSize) [[likely]] return decay_[peak];
        if (static_cast<std::uint32_t>(-static_cast<std::int64_t>(peak)) < kDecayTableSize) return -decay_[-peak];
        return static_cast<std::int32_t>(decayStep(decayStep(peak)));
    }

    // The same, looked up for a negative peak first.
    std::int32_t decayedNegative(std::int32_t peak) const {
        if (static_cast<std::uint32_t>(-static_cast<std::int64_t>(peak)) < kDecayTableSize) [[likely]] return -decay_[-peak];
        return decayed(peak);
    }

    void store(double run) {
        st_.runRing[static_cast<std::size_t>(runWrite_)] = run;
        runWrite_ = nextIndex(runWrite_);
    }

    PocsagBitState& st_;
    const std::int32_t* decay_;
    bool decayingNegPeak_;
    int posPeak_;
    std::int32_t negPeak_;
    bool triggerHigh_;
    double prevLevel_;
    double runPhase_;
    double resetAfter_;
    int runWrite_;
};

}  // namespace

void measureRuns(PocsagBitState& st, const SampleArray& samples, bool decayingNegPeak) {
    RunMeter meter(st, decayingNegPeak);
    for (const double x : samples) meter(x);
}

KUB_WIDE_VECTORS void ditherAndMeasureRuns(PocsagBitState& st, SampleArray& samples, DitherSource& random, PocsagLowPass* lowPass) {
    RunMeter meter(st, lowPass != nullptr);
    // The random source in a local as well: through the reference its state would be stored
    // at every sample, since the compiler cannot tell it from the samples written.
    DitherSource local = random;
    if (lowPass) {
        lowPass->process(samples, local, [&meter](double v) { meter(v); });
    } else {
        for (double& x : samples) {
            x += local.next() - 0.5;
            meter(x);
        }
    }
    random = local;
}

void trackBitLength(PocsagBitState& st, bool batchAwareEnd) {
    // The histogram in a local, added to without an index: stored to at an index that
    // changes from run to run, it went through memory, and each run waited for the last
    // one's stores to come back.
    auto h = st.runHistogram;
    for (; st.runRead != st.runWrite; st.runRead = nextIndex(st.runRead)) {
        const double len = std::fabs(st.runRing[static_cast<std::size_t>(st.runRead)]);

        if (st.bitPeriod < 8.0) st.bitPeriod = 8.0;
        // Here and below, what a run adds is added as nothing where it does not count,
        // rather than branched around: in noise, whether a run counts is a toss-up at every
        // run, and a branch on it would be guessed wrong half the time. The sums it goes
        // into are never negative, so adding zero leaves them as they are.
        const double r = roundEven(len / st.bitPeriod);
        const double pull = (len - r * st.bitPeriod) / 10.0;
        st.bitPeriod += r > 0 ? pull : 0.0;
        st.bitPeriod = std::clamp(st.bitPeriod, 8.0, 50.0);

        // Runs of one bit too rare: the estimate is half the real bit length.
        if (st.bitPeriod < 24.0 && (h[2] > 2 * h[1] || h[3] > 2 * h[1] || h[4] > 2 * h[1])) {
            st.bitPeriod *= 2.0;
            const auto o = h;
            h[0] = o[0] + o[1] / 2;
            h[1] = o[1] / 2 + o[2] + o[3] / 2;
            h[2] = o[3] / 2 + o[4];
            h[3] = 0;
            h[4] = 0;
        }
        // Runs shorter than half a bit dominate: the estimate is double the real length.
        if (h[0] > h[1] && st.bitPeriod > 16.0) {
            st.bitPeriod /= 2.0;
            const auto o = h;
            h[4] = o[2] / 2;
            h[3] = o[2] / 4 + o[1] / 4;
            h[2] = o[1] / 2;
            h[1] = o[0] / 2 + o[1] / 4;
            h[0] = o[0] / 2;
        }

        const double bits = roundEven(len / st.bitPeriod);
        // The 2 for the run's count, zeros for the others, looked up rather than chosen by a
        // branch (a toss-up in noise). Adding zero to a count that is never negative leaves
        // it as it is.
        static constexpr std::array<double, 9> kTwoInMiddle = {0, 0, 0, 0, 2.0, 0, 0, 0, 0};
        const double* const added = kTwoInMiddle.data() + 4 - static_cast<std::size_t>(std::min(bits, 4.0));
        for (std::size_t k = 0; k < h.size(); ++k) h[k] = h[k] * 0.98 + added[k];

        // The length 99 runs ago is the one written next, before it is overwritten.
        auto& ring = st.periodHistory;
        const auto at = static_cast<std::size_t>(st.periodNext);
        const double newest = st.bitPeriod;
        const double older = ring[(at + 1) % ring.size()];
        ring[at] = newest;
        st.periodNext = static_cast<int>((at + 1) % ring.size());
        const bool steady = (std::fabs(older - newest) / (newest + older) <= 0.1) & (h[1] / 4 >= h[0]) &
                            (len <= 20.0 * st.bitPeriod);
        if (!steady) {
            const bool batchesRunning = batchAwareEnd && st.pocsagState > PocsagPhase::Preamble;
            if (st.pocsagState > PocsagPhase::Hunting && !st.transmissionEnded && !batchesRunning) {
                st.transmissionEnded = true;
                st.endRun = nextIndex(st.runRead);
            }
            st.preambleBits = 0;
            st.preambleSamples = 0;
        }

        if (st.preambleBits > 50 && st.pocsagState == PocsagPhase::Hunting) {
            st.pocsagState = PocsagPhase::Preamble;
            st.bitWrite = 0;
            st.bitRead = 0;
            st.samplesPerBit = st.preambleSamples / st.preambleBits;
            st.preambleBits = 0;
            st.preambleSamples = 0;
        }
        if (st.pocsagState == PocsagPhase::Hunting) {
            const bool counts = (bits >= 1) & (bits <= 9);
            st.preambleSamples += counts ? len : 0.0;
            st.preambleBits += counts ? static_cast<std::int32_t>(std::min(bits, 9.0)) : 0;
        }

        if (st.samplesPerBit == 0) st.samplesPerBit = 1.0;
        if (st.pocsagState > PocsagPhase::Hunting) {
            const double q = roundEven(len / st.samplesPerBit);
            const bool counts = (q >= 1) & (q <= 9) &
                                (std::fabs(len - q * st.samplesPerBit) / st.samplesPerBit < 0.25) &
                                (st.preambleBits < kPreambleBitsLimit);
            st.preambleSamples += counts ? len : 0.0;
            st.preambleBits += counts ? static_cast<std::int32_t>(std::min(q, 9.0)) : 0;
        }
    }
    st.runHistogram = h;
}

void sliceRuns(PocsagBitState& st) {
    // The run that ended the transmission still carries the last bits (a dead carrier
    // continues the last level, completing the final codeword); the runs after it are only
    // noise or dither and would reach a batch cut short as addresses and message text.
    const int stop = st.transmissionEnded ? st.endRun : st.runWrite;
    for (; st.sliceRead != stop; st.sliceRead = nextIndex(st.sliceRead)) {
        const double run = st.runRing[static_cast<std::size_t>(st.sliceRead)];
        const double s = run > 0 ? 1.0 : -1.0;
        const double len = std::fabs(run);
        const double q = roundEven(len / st.samplesPerBit);
        const auto whole = static_cast<int>(std::min(q, kMaxBitsPerRun));
        for (int i = 1; i < whole; ++i) putBit(st, s);
        // A run shorter than half a bit is never a certain bit, however short it is.
        const bool certain = q >= 1 && std::fabs(len - q * st.samplesPerBit) / st.samplesPerBit <= 0.25;
        putBit(st, certain ? s : s / 4);
    }
}

}  // namespace kub
