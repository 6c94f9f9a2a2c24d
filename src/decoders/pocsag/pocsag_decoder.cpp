#include "decoders/pocsag/pocsag_decoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

#include "decoders/pocsag/pocsag_bits.h"
#include "decoders/pocsag/pocsag_reception.h"
#include "decoders/pocsag/pocsag_words.h"

namespace kub {

namespace {
// The coupling capacitor of a receiver's audio stage, as a first-order high-pass (its
// corner lies near 300 Hz, where speech begins). The undoing integrator leaks slowly, so
// that noise and dither cannot walk it away: over 1000 samples (45 ms), many bits.
const double kCouplingPole = std::exp(-2.0 * std::numbers::pi * 300.0 / 22050.0);
constexpr double kCouplingLeak = 0.999;
constexpr int kRestoredSyncErrors = 2;
}  // namespace

void PocsagDecoder::undoCoupling() {
    double in = couplingIn_;
    double out = couplingOut_;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double y = samples[i];
        out = kCouplingLeak * out + y / kCouplingPole - in;
        in = y;
        restored_[i] = out;
    }
    couplingIn_ = in;
    couplingOut_ = out;
}

int PocsagDecoder::syncErrors(const PocsagBitState& st, int from, std::uint32_t& reg) {
    int best = 32;
    for (int i = from; i != st.bitWrite; i = (i + 1) % kPocsagRingSize) {
        reg = (reg << 1) | (st.bitRing[static_cast<std::size_t>(i)] > 0 ? 1u : 0u);
        best = std::min(
            {best, std::popcount(reg ^ kSyncCodeword), std::popcount(reg ^ kInvertedSyncCodeword)});
    }
    return best;
}

void PocsagDecoder::sliceRestored(bool acquiring) {
    restoredBits_.samplesPerBit = bits_.samplesPerBit;
    const int from = restoredBits_.bitWrite;
    restoredSlicer_.slice(restoredBits_, restored_, acquiring);
    for (int i = from; i != restoredBits_.bitWrite && restoredSyncAt_ < 0;
         i = (i + 1) % kPocsagRingSize) {
        restoredSync_ = (restoredSync_ << 1) |
                        (restoredBits_.bitRing[static_cast<std::size_t>(i)] > 0 ? 1u : 0u);
        const int errors = std::min(std::popcount(restoredSync_ ^ kSyncCodeword),
                                    std::popcount(restoredSync_ ^ kInvertedSyncCodeword));
        if (errors <= kRestoredSyncErrors) {
            restoredSyncErrors_ = errors;
            restoredSyncAt_ = (i + 1) % kPocsagRingSize;
        }
    }
}

PocsagDecoder::PocsagDecoder(ReceptionContext& context, ChannelFlags& flags,
                             std::uint64_t ditherSeed)
    : context_(context), flags_(flags), dither_(ditherSeed) {
    // Room for the longest message text and the pages of a few batches.
    words_.page.text.reserve(1024);
    words_.finishedPages.reserve(32);
}

void PocsagDecoder::processPocsagBuffer() {
    const DecoderOptions& options = context_.options;
    const std::uint64_t previousBlock = lastBlock_;
    lastBlock_ = flags_.blocks;
    if (options.inputFilter) {
        // Blocks handed to the other decoders of the channel still moved the mains on.
        if (flags_.blocks > previousBlock + 1)
            humCanceller_.skip((flags_.blocks - previousBlock - 1) * kBlockFrames);
        // Learnt only between transmissions: inside one the data would be learnt too.
        humCanceller_.process(samples, bits_.pocsagState == Hunting);
        // An estimate kept every eight blocks (0.37 s): when a preamble is found, the
        // older of the last two is from before it began.
        if (bits_.pocsagState == Hunting && ++blocksSinceKept_ >= 8) {
            humCanceller_.keep();
            blocksSinceKept_ = 0;
        }
        lowPass_.setCorner(bits_.pocsagState > Hunting
                               ? PocsagLowPass::cornerFor(bits_.samplesPerBit)
                               : PocsagLowPass::kHuntingHz);
    }
    ditherAndMeasureRuns(bits_, samples, dither_, options.inputFilter ? &lowPass_ : nullptr);
    const bool hunting = bits_.pocsagState == Hunting;
    trackBitLength(bits_, options.pocsagBatchAwareEnd);
    if (options.inputFilter && hunting && bits_.pocsagState != Hunting) {
        humCanceller_.goBack();
        blocksSinceKept_ = 0;
    }
    if (bits_.pocsagState > Hunting) {
        if (!options.inputFilter) {
            sliceRuns(bits_);
        } else {
            undoCoupling();
            if (!bits_.transmissionEnded) {
                const bool acquiring = bits_.pocsagState == Preamble;
                const int from = bits_.bitWrite;
                slicer_.slice(bits_, useRestored_ ? restored_ : samples, acquiring);
                if (acquiring && !useRestored_) {
                    plainSyncErrors_ = syncErrors(bits_, from, plainSync_);
                    sliceRestored(acquiring);
                }
            }
            // The runs are sliced by the clock now; should the setting be switched off in
            // the middle of a transmission, the run slicer must not go back over them.
            bits_.sliceRead = bits_.runWrite;
        }
    }
    // Whether the first sync codeword is still awaited (the plain slicer may find it now).
    const bool wasPreamble = bits_.pocsagState == Preamble;
    runCodewordLayer(bits_, words_, options);
    if (options.inputFilter && wasPreamble && !useRestored_ && restoredSyncAt_ >= 0 &&
        (bits_.pocsagState == Preamble || restoredSyncErrors_ < plainSyncErrors_) &&
        !words_.batchReady) {
        // The restored signal found the sync codeword and the plain one has not, or only
        // with more wrong bits: the restored bits from the sync codeword on replace what the
        // plain slicer left, and the transmission is read from them to its end.
        bits_.pocsagState = Preamble;
        useRestored_ = true;
        slicer_ = restoredSlicer_;
        bits_.bitRead = bits_.bitWrite;
        for (int i = (restoredSyncAt_ + kPocsagRingSize - 32) % kPocsagRingSize;
             i != restoredBits_.bitWrite; i = (i + 1) % kPocsagRingSize) {
            bits_.bitRing[static_cast<std::size_t>(bits_.bitWrite)] =
                restoredBits_.bitRing[static_cast<std::size_t>(i)];
            bits_.bitWrite = (bits_.bitWrite + 1) % kPocsagRingSize;
        }
        runCodewordLayer(bits_, words_, options);
    }
    // A page is reported as soon as the next address or an idle has closed it: the
    // first alarm of a long transmission need not wait for the last.
    if (!words_.finishedPages.empty()) reportPocsagPages(words_, last_, context_, flags_.channel);
    if (bits_.transmissionEnded && bits_.pocsagState > Hunting) {
        reportPocsagTransmission(bits_, words_, last_, context_, flags_.channel);
    }
    if (bits_.pocsagState == Hunting || (bits_.pocsagState > Preamble && !useRestored_)) {
        restoredSlicer_.reset();
        restoredSyncAt_ = -1;
        restoredSync_ = 0;
        plainSync_ = 0;
    }
    if (bits_.pocsagState == Hunting) {
        slicer_.reset();
        useRestored_ = false;
    }
    flags_.pocsagBusyFlag = bits_.pocsagState > Preamble ? 1 : 0;
}

}  // namespace kub
