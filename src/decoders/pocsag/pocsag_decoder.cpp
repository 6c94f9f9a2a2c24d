#include "decoders/pocsag/pocsag_decoder.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "decoders/pocsag/pocsag_bits.h"
#include "decoders/pocsag/pocsag_vouch.h"
#include "decoders/pocsag/pocsag_words.h"

namespace kub {

namespace {
// Wrong bits a restored slicer's sync codeword may have.
constexpr int kRestoredSyncErrors = 2;
// Bits a restored slicer's sync codeword waits for the plain slicer's.
constexpr int kPlainLagBits = 4;
// Bits the restored slicers may still search for the sync codeword after the plain signal
// has stopped looking like data: the codeword itself and some way into the first batch.
constexpr double kHoldBits = 96;
// Alternating bits in a row that make a preamble: noise that happened to look like one to the
// run lock does not keep them up for long.
constexpr int kPreambleSeenBits = 64;
// A preamble is 576 bits; one this much longer is noise that happens to alternate.
constexpr double kLongestPreambleBits = 1500;
// Alternating bits after which the restored slicers join in: noise rarely gets that far, and
// the preamble has hundreds.
constexpr int kRestoreAfterBits = 16;
// Bits shorter than this (1200 and 2400 bit/s) are read through an edge of unknown make too.
constexpr double kLearnedSamplesPerBit = 30;
// The alternation before a sync codeword the channel is learnt from lasts at least this
// long (samples): a five-tone code's tone alternates like a preamble at twice its
// frequency, but for 70 ms, not the 240 ms or more of a preamble. Taken for one, it held
// the channel's other decoders back and cost the code itself.
constexpr double kLearnedPreambleSamples = 0.15 * kSampleRate;

// Wrong bits of `word` as a sync codeword of either polarity.
int syncErrors(std::uint32_t word) {
    return std::min(std::popcount(word ^ kSyncCodeword), std::popcount(word ^ kInvertedSyncCodeword));
}

// The sizes of the soft bits of the 32 bits up to ring index `last`: how sure a slicer was
// of a sync codeword it read.
double sureness(const PocsagBitState& st, int last) {
    double sum = 0;
    for (int k = 0; k < 32; ++k)
        sum += std::fabs(st.bitRing[static_cast<std::size_t>((last + kPocsagRingSize - k) % kPocsagRingSize)]);
    return sum;
}

// Hunting blocks from one kept hum estimate to the next.
constexpr int kBlocksPerKeep = 2;
// Keeps from one look at whether the estimate holds hum to the next.
constexpr int kKeepsPerHumLook = 4;
// Bits a preamble may have been on when the run lock finds it: the lock wants a hundred
// steady runs, and more when what is left of the hum bends some of them.
constexpr double kPreambleFoundBits = 600;

// The keeps to go back to before a preamble of `samplesPerBit` began, when the run lock
// has just found it, and no further. A 2400 bit/s preamble is found in a
// tenth of the time a 512 bit/s one needs; going back as far for it, transmissions that
// follow each other by less than that leave the canceller nothing of the hum it learnt
// between them.
std::size_t keepsBeforePreamble(double samplesPerBit) {
    const double blocks = kPreambleFoundBits * samplesPerBit / kBlockFrames;
    // The keep just before the preamble began may lie up to a keep's blocks further back.
    return static_cast<std::size_t>(std::ceil(blocks / kBlocksPerKeep)) + 1;
}

}  // namespace

int PocsagDecoder::plainSyncErrors(int from) {
    int best = 32;
    for (int i = from; i != bits_.bitWrite; i = (i + 1) % kPocsagRingSize) {
        const bool one = bits_.bitRing[static_cast<std::size_t>(i)] > 0;
        alternating_ = one != ((plainSync_ & 1u) != 0) ? alternating_ + 1 : 0;
        alternatingSinceSilence_ = std::fabs(bits_.bitRing[static_cast<std::size_t>(i)]) < kErasedSoftSize
                                       ? 0
                                       : std::max(alternatingSinceSilence_, alternating_);
        if (alternating_ >= kPreambleSeenBits) preambleSeen_ = true;
        longestAlternating_ = std::max(longestAlternating_, alternating_ * bits_.samplesPerBit);
        plainSync_ = (plainSync_ << 1) | (one ? 1u : 0u);
        const int errors = syncErrors(plainSync_);
        if (errors <= best) {
            best = errors;
            // Compared only with a restored slicer's sync codeword, which has few wrong bits.
            if (errors <= kRestoredSyncErrors) plainSyncSureness_ = sureness(bits_, i);
        }
    }
    return best;
}

void PocsagDecoder::sliceRestored(Restored& r, bool acquiring) {
    r.bits.samplesPerBit = bits_.samplesPerBit;
    const int from = r.bits.bitWrite;
    r.slicer.slice(r.bits, r.samples, acquiring);
    for (int i = from; i != r.bits.bitWrite && r.syncAt < 0; i = (i + 1) % kPocsagRingSize) {
        r.sync = (r.sync << 1) | (r.bits.bitRing[static_cast<std::size_t>(i)] > 0 ? 1u : 0u);
        const int errors = syncErrors(r.sync);
        if (errors <= kRestoredSyncErrors) {
            r.syncErrors = errors;
            r.syncSureness = sureness(r.bits, i);
            r.syncAt = (i + 1) % kPocsagRingSize;
        }
    }
}

void PocsagDecoder::sliceLearning(Restored& r, bool acquiring) {
    // A preamble below the voice band's edge (512 bit/s) does not come through it at all.
    if (bits_.samplesPerBit >= kLearnedSamplesPerBit) return;
    r.bits.samplesPerBit = bits_.samplesPerBit;
    r.slicer.slice(r.bits, r.samples, acquiring);
    if (r.syncAt >= 0 || r.slicer.learntSyncEnd() < 0 || longestAlternating_ < kLearnedPreambleSamples) return;
    r.syncAt = r.slicer.learntSyncEnd();
    const int last = (r.syncAt + kPocsagRingSize - 1) % kPocsagRingSize;
    std::uint32_t sync = 0;
    for (int k = 31; k >= 0; --k)
        sync = (sync << 1) | (r.bits.bitRing[static_cast<std::size_t>((last + kPocsagRingSize - k) % kPocsagRingSize)] > 0 ? 1u : 0u);
    r.syncErrors = syncErrors(sync);
    r.syncSureness = sureness(r.bits, last);
}

void PocsagDecoder::holdPreambleEnd() {
    if (bits_.pocsagState != PocsagPhase::Preamble || reading_ >= 0) {
        heldSamples_ = -1;
        endHeld_ = false;
        preambleSamples_ = 0;
        return;
    }
    preambleSamples_ += static_cast<double>(samples_.size());
    // Held up again and again, something that only looks like a preamble kept the decoder
    // deaf to the next transmission.
    const bool tooLong = preambleTooLong();
    if (bits_.transmissionEnded && !endHeld_ && preambleSeen_ && !tooLong) heldSamples_ = 0;
    if (heldSamples_ < 0) return;
    // At 2400 bit/s those bits are less than a block: the hold lasts at least through the
    // block after the one the end came in, so that a preamble coming back after a drop-out
    // late in that block is seen before the end is taken for good.
    const double hold = std::max(kHoldBits * bits_.samplesPerBit, 2.0 * static_cast<double>(samples_.size()));
    if (heldSamples_ < hold && !tooLong) {
        endHeld_ = endHeld_ || bits_.transmissionEnded;
        bits_.transmissionEnded = false;
        heldSamples_ += static_cast<double>(samples_.size());
    } else if ((alternating_ >= kRestoreAfterBits || alternatingSinceSilence_ >= kRestoreAfterBits) && !tooLong) {
        // The preamble is still on: the lock merely stumbled, and the transmission goes on.
        // After a squelch drop-out in the preamble it has only just come back, and may
        // already have given way to the sync codeword.
        heldSamples_ = -1;
        endHeld_ = false;
    } else if (endHeld_) {
        bits_.transmissionEnded = true;
        bits_.endRun = bits_.runWrite;
    }
}

bool PocsagDecoder::preambleTooLong() const {
    return bits_.pocsagState == PocsagPhase::Preamble && preambleSamples_ > kLongestPreambleBits * bits_.samplesPerBit;
}

PocsagDecoder::PocsagDecoder(const DecoderOptions& options, BusyFlags& flags, std::uint64_t ditherSeed)
    : options_(options), flags_(flags), dither_(ditherSeed) {
    // Room for the longest message text and the pages of a few batches.
    words_.page.text.reserve(1024);
    words_.finishedPages.reserve(32);
}

std::vector<PocsagPageEvent> PocsagDecoder::takeEvents() {
    std::vector<PocsagPageEvent> taken;
    taken.swap(events_);
    return taken;
}

void PocsagDecoder::conditionInput(std::uint64_t previousBlock) {
    // Blocks handed to the other decoders of the channel still moved the mains on.
    if (flags_.blocks > previousBlock + 1) humCanceller_.skip((flags_.blocks - previousBlock - 1) * kBlockFrames);
    // Learnt only between transmissions: inside one the data would be learnt too. What
    // may only look like a preamble is learnt through aside: the hum left over makes such
    // moments, one may hold for a second, and not learning then, the canceller does not
    // catch up before the first transmission. A preamble far longer than any is what the
    // canceller itself puts out: learning again lets it fade.
    if (humUndoable_) humCanceller_.learnAside(samples_);
    const bool learn = bits_.pocsagState == PocsagPhase::Hunting;
    humCanceller_.process(samples_, learn || preambleTooLong(), subtractHum_);
    // An estimate kept every other block (0.09 s), to go back to when a preamble is found.
    if (learn && ++blocksSinceKept_ >= kBlocksPerKeep) {
        humCanceller_.keep();
        blocksSinceKept_ = 0;
        // Whether there is hum to take away, looked at every few keeps (0.37 s): what the
        // estimate holds without hum is noise and what it caught of transmissions, and taking
        // that away costs pages through a voice band, where the restored paths lift it.
        if (++keepsSinceHumLooked_ >= kKeepsPerHumLook) {
            subtractHum_ = humCanceller_.holdsHum(subtractHum_);
            keepsSinceHumLooked_ = 0;
        }
    }
    lowPass_.setCorner(bits_.pocsagState > PocsagPhase::Hunting ? PocsagLowPass::cornerFor(bits_.samplesPerBit)
                                                   : PocsagLowPass::kHuntingHz);
}

void PocsagDecoder::sliceByClock() {
    const bool acquiring = bits_.pocsagState == PocsagPhase::Preamble;
    slicerFresh_ = false;
    // The paths are undone only while a slicer reads from them.
    if (reading_ >= 0) {
        Restored& r = restored_[static_cast<std::size_t>(reading_)];
        r.restorer.process(samples_, r.samples);
    } else if (acquiring && restoring_) {
        for (Restored& r : restored_) r.restorer.process(samples_, r.samples);
    }
    if (!bits_.transmissionEnded) {
        const int from = bits_.bitWrite;
        slicer_.slice(bits_, reading_ >= 0 ? restored_[static_cast<std::size_t>(reading_)].samples : samples_,
                      acquiring);
        if (acquiring && reading_ < 0) {
            plainSyncErrors_ = plainSyncErrors(from);
            for (Restored& r : restored_) {
                if (!restoring_ || !r.restorer.settled()) continue;
                if (&r == &restored_.back()) {
                    sliceLearning(r, acquiring);
                } else {
                    sliceRestored(r, acquiring);
                }
            }
            if (!restoring_ && alternating_ >= kRestoreAfterBits) {
                // A preamble, not noise that the run lock took for one: the paths are
                // undone from the next block on. The restorers lift the lowest
                // frequencies a hundredfold and more, so whatever they were left with
                // at the end of the last transmission would swamp this one.
                restoring_ = true;
                for (Restored& r : restored_)
                    r.restorer.restart(samples_[samples_.size() - 2], samples_[samples_.size() - 1]);
            }
        }
    }
    // The runs are sliced by the clock now; should the setting be switched off in
    // the middle of a transmission, the run slicer must not go back over them.
    bits_.sliceRead = bits_.runWrite;
}

int PocsagDecoder::restoredToReadFrom() const {
    int best = -1;
    for (std::size_t k = 0; k < restored_.size(); ++k) {
        const Restored& r = restored_[k];
        if (r.syncAt < 0) continue;
        // The plain slicer's clock may run a little behind: the last bits of its sync
        // codeword can still be in the next block.
        if (bits_.pocsagState == PocsagPhase::Preamble && ringFill(r.syncAt, r.bits.bitWrite) < kPlainLagBits) continue;
        // Fewest wrong bits; between equals, the surest bits: a path undone that was not
        // there still reads the sync codeword, but with bits that come out weaker.
        const Restored* b = best < 0 ? nullptr : &restored_[static_cast<std::size_t>(best)];
        if (!b || r.syncErrors < b->syncErrors || (r.syncErrors == b->syncErrors && r.syncSureness > b->syncSureness))
            best = static_cast<int>(k);
    }
    if (best >= 0 && bits_.pocsagState != PocsagPhase::Preamble) {
        const Restored& r = restored_[static_cast<std::size_t>(best)];
        if (r.syncErrors > plainSyncErrors_ ||
            (r.syncErrors == plainSyncErrors_ && r.syncSureness <= plainSyncSureness_))
            best = -1;
    }
    return best;
}

void PocsagDecoder::readFromRestored(int k) {
    // A restored signal found the sync codeword and the plain one has not, or only with
    // more wrong bits: its bits from the sync codeword on replace what the plain slicer
    // left, and the transmission is read from it to its end.
    Restored& r = restored_[static_cast<std::size_t>(k)];
    bits_.pocsagState = PocsagPhase::Preamble;
    reading_ = k;
    slicer_ = r.slicer;
    slicerFresh_ = false;
    bits_.bitRead = bits_.bitWrite;
    for (int i = (r.syncAt + kPocsagRingSize - 32) % kPocsagRingSize; i != r.bits.bitWrite;
         i = (i + 1) % kPocsagRingSize) {
        bits_.bitRing[static_cast<std::size_t>(bits_.bitWrite)] = r.bits.bitRing[static_cast<std::size_t>(i)];
        bits_.bitWrite = (bits_.bitWrite + 1) % kPocsagRingSize;
    }
    runCodewordLayer(bits_, words_, options_);
}

void PocsagDecoder::emitPages() {
    // Only pages with an address of their own exist: message codewords without an address
    // before them are never attributed to an earlier pager.
    for (PocsagPage& page : words_.finishedPages)
        events_.push_back(
            PocsagPageEvent{std::move(page.ric), page.function, std::move(page.text), page.complete, flags_.blocks});
    words_.finishedPages.clear();
}

void PocsagDecoder::endTransmission() {
    // The page still open is reported without its unfinished text.
    kub::endTransmission(bits_, words_);
    emitPages();
}

void PocsagDecoder::resetRestored() {
    for (Restored& r : restored_) {
        r.slicer.reset();
        r.syncAt = -1;
        r.sync = 0;
    }
    plainSync_ = 0;
    alternating_ = 0;
    alternatingSinceSilence_ = 0;
    longestAlternating_ = 0;
    preambleSeen_ = false;
    restoring_ = false;
}

void PocsagDecoder::process(const SampleArray& samples) {
    samples_ = samples;
    const bool improved = options_.inputFilter;
    const std::uint64_t previousBlock = lastBlock_;
    lastBlock_ = flags_.blocks;
    if (improved) conditionInput(previousBlock);
    ditherAndMeasureRuns(bits_, samples_, dither_, improved ? &lowPass_ : nullptr);
    const bool hunting = bits_.pocsagState == PocsagPhase::Hunting;
    trackBitLength(bits_, options_.pocsagBatchAwareEnd);
    if (improved && hunting && bits_.pocsagState != PocsagPhase::Hunting) {
        humCanceller_.goBack(keepsBeforePreamble(bits_.samplesPerBit));
        blocksSinceKept_ = 0;
        humUndoable_ = true;
    }
    if (improved) holdPreambleEnd();
    if (bits_.pocsagState > PocsagPhase::Hunting) {
        if (improved) {
            sliceByClock();
        } else {
            sliceRuns(bits_);
        }
    }
    // Whether the first sync codeword is still awaited (the plain slicer may find it now).
    const bool wasPreamble = bits_.pocsagState == PocsagPhase::Preamble;
    runCodewordLayer(bits_, words_, options_);
    const int restored = improved && wasPreamble && reading_ < 0 && !words_.batchReady ? restoredToReadFrom() : -1;
    if (restored >= 0) readFromRestored(restored);
    // A page is reported as soon as the next address or an idle has closed it: the
    // first alarm of a long transmission need not wait for the last.
    if (!words_.finishedPages.empty()) emitPages();
    if (bits_.transmissionEnded && bits_.pocsagState > PocsagPhase::Hunting) endTransmission();
    // A preamble that alternated long, or was followed by a sync codeword (on the plain or
    // a restored signal), was real: what the canceller had learnt up to it may hold its
    // beginning. Once the canceller learns again in a preamble far too long, what it learns
    // is newer than what it had. One that ends before either was none: what was learnt
    // aside through it is taken up.
    if (preambleSeen_ || reading_ >= 0 || bits_.pocsagState > PocsagPhase::Preamble || preambleTooLong())
        humUndoable_ = false;
    if (bits_.pocsagState == PocsagPhase::Hunting && humUndoable_) {
        humCanceller_.undoGoBack();
        humUndoable_ = false;
    }
    if (bits_.pocsagState == PocsagPhase::Hunting || (bits_.pocsagState > PocsagPhase::Preamble && reading_ < 0)) resetRestored();
    if (bits_.pocsagState == PocsagPhase::Hunting) {
        if (!slicerFresh_) slicer_ = PocsagSymbolSlicer();
        slicerFresh_ = true;
        reading_ = -1;
    }
    flags_.pocsagBusy = bits_.pocsagState > PocsagPhase::Preamble;
}

}  // namespace kub
