#include "decoders/pocsag/pocsag_words.h"

#include <array>
#include <bit>
#include <cmath>

#include "decoders/pocsag/pocsag_bch.h"
#include "decoders/pocsag/pocsag_blank_fill.h"
#include "decoders/pocsag/pocsag_text.h"
#include "decoders/pocsag/pocsag_vouch.h"

namespace kub {

namespace {

constexpr std::uint32_t kMessageFlag = 0x80000000u;
// Only the first 63 message codewords (1260 data bits) of a message are decoded.
constexpr int kMessageWordLimit = 63;

// Sync codeword anywhere in the bit stream: up to two wrong bits. Random bits come that
// close once in about eight million positions.
constexpr int kSyncErrorsAnywhere = 2;
// Right where the next batch must begin the position itself is evidence: up to four.
constexpr int kSyncErrorsExpected = 4;
// Without a sync codeword this many bits after a batch the transmission is over; a few
// bits of slip are still found by the search anywhere.
constexpr int kSyncSearchLimit = 64;
// More codewords with two or more wrong bits in one batch than this and none of its
// addresses is taken.
constexpr int kDamagedWordsPerBatch = 3;

// A sync codeword at its place with this many bits near zero was hit by a drop-out; it is
// taken when the bits that were heard fit it. With half of it or more unheard it is not: a
// squelch that has shut for good must end the transmission at once, not a batch later.
constexpr int kSyncDropOutBits = 3;
constexpr int kSyncMostlyUnheard = 16;
constexpr int kSyncHeardErrors = 1;
// Anywhere else (the first sync codeword after the preamble) the unheard bits must be one
// stretch, as a drop-out leaves them, of at most half the word, and every bit heard must fit:
// 12 ms of silence blank 14 bits at 1200 bit/s. Sixteen heard bits fit by chance once in
// 32768 stretches in either polarity, and a sync taken wrongly only puts a batch out of step,
// whose codewords then fail their checks.
constexpr int kSyncUnheardAnywhere = 16;
// The mark for a gap in a page's text: characters that were sent but not read for certain.
constexpr const char* kGapMark = "\u2026";

void shiftIn(PocsagWordState& w, double soft) {
    w.syncRegister = (w.syncRegister << 1) | (soft > 0 ? 1u : 0u);
    const auto size = static_cast<float>(std::fabs(soft));
    w.softRing[static_cast<std::size_t>(w.softAt)] = size;
    w.softAt = (w.softAt + 1) % 32;
    w.unheardBits = (w.unheardBits << 1) | (size < kErasedSoftSize ? 1u : 0u);
}

// The soft sizes of the last 32 bits by bit position (0 the newest).
SoftSizes softSizes(const PocsagWordState& w) {
    SoftSizes sizes{};
    for (int bit = 0; bit < 32; ++bit) sizes[static_cast<std::size_t>(bit)] = w.softRing[static_cast<std::size_t>((w.softAt + 31 - bit) % 32)];
    return sizes;
}

// A sync codeword partly blanked by a drop-out, in the polarity `inverted`: the bits heard
// fit it. Where the next batch must begin (`expected`) one heard bit may be wrong; anywhere
// else none, and the unheard bits must be one short stretch.
bool heardPartOfSync(const PocsagWordState& w, bool inverted, bool expected) {
    const std::uint32_t unheardMask = w.unheardBits;
    const int unheard = std::popcount(unheardMask);
    if (unheard < kSyncDropOutBits) return false;
    const std::uint32_t wanted = inverted ? kInvertedSyncCodeword : kSyncCodeword;
    const int wrong = std::popcount((w.syncRegister ^ wanted) & ~unheardMask);
    if (!expected) {
        // One stretch: from the oldest unheard bit to the newest, every bit unheard.
        const int span = 32 - std::countl_zero(unheardMask) - std::countr_zero(unheardMask);
        return wrong == 0 && unheard <= kSyncUnheardAnywhere && span == unheard;
    }
    return wrong <= kSyncHeardErrors && unheard < kSyncMostlyUnheard;
}

// A filled-in codeword counts as one with two bits corrected: it vouches for no neighbouring
// address.
constexpr std::int8_t kFilledErrors = 2;

// A codeword filled in across a drop-out stands only when the codeword after it in the batch
// came through with at most one wrong bit: that shows the bit clock held through the
// silence. Had it slipped by a bit, the heard bits after the stretch would be shifted, and
// the few check bits left over would pass a wrong filling one time in sixteen.
void confirmFilledWords(PocsagWordState& w) {
    for (int i = 1; i < 17; ++i) {
        if ((w.batchWordFilled & (1u << i)) == 0) continue;
        const auto at = static_cast<std::size_t>(i);
        if (i + 1 < w.batchWordCount && w.batchWordErrors[at + 1] <= 1) continue;
        w.batchWords[at] = w.batchWordsHeard[at];
        w.batchWordErrors[at] = kUncorrectable;
        w.batchWordFilled &= ~(1u << i);
    }
}

double takeBit(PocsagBitState& b) {
    const double soft = b.bitRing[static_cast<std::size_t>(b.bitRead)];
    b.bitRead = (b.bitRead + 1) % kPocsagRingSize;
    return soft;
}

// The code is cyclic: 32 bits read across two idle codewords with the batch slipped by a
// few bits are nearly a rotated idle and pass the check, reading as an address. The idle
// pair at every offset, to recognise them.
constexpr std::array<std::uint32_t, 31> slippedIdles() {
    std::array<std::uint32_t, 31> out{};
    const std::uint64_t pair = (std::uint64_t{kIdleCodeword} << 32) | kIdleCodeword;
    for (int shift = 1; shift < 32; ++shift) {
        out[static_cast<std::size_t>(shift - 1)] = static_cast<std::uint32_t>(pair >> (32 - shift));
    }
    return out;
}
constexpr std::array<std::uint32_t, 31> kSlippedIdles = slippedIdles();

bool looksLikeSlippedIdle(std::uint32_t word) {
    for (std::uint32_t idle : kSlippedIdles) {
        if (bitDistance(word, idle) <= 2) return true;
    }
    return false;
}

// Whether a codeword may be taken as the address it reads. The code is cyclic, so a
// batch that has slipped by a bit reads an address as another valid one; and a quarter
// of random words lie within two bits of some codeword. An address therefore needs a
// neighbour that came through with at most one wrong bit, and comes from no batch full
// of damaged codewords (those a drop-out blanked aside).
bool trustworthy(const PocsagWordState& w, int index) {
    const auto errors = [&](int i) { return w.batchWordErrors[static_cast<std::size_t>(i)]; };
    if (errors(index) == kUncorrectable) return false;
    int damaged = 0;
    for (int i = 1; i < w.batchWordCount; ++i)
        damaged += errors(i) >= 2 && !w.batchWordSilenced[static_cast<std::size_t>(i)] ? 1 : 0;
    if (damaged > kDamagedWordsPerBatch) return false;
    if (looksLikeSlippedIdle(w.batchWords[static_cast<std::size_t>(index)])) return false;
    return (index > 0 && errors(index - 1) <= 1) || (index + 1 < w.batchWordCount && errors(index + 1) <= 1);
}

// The 21 bits before the check bits decide the whole codeword, so a word that has the idle's
// or the sync's is that codeword with damaged check bits, never an address: no pager can
// have the address the idle would spell. Without the check, the last idle of a
// transmission whose final bits the carrier's end cut off read as a page to RIC 2007671.
bool sameData(std::uint32_t word, std::uint32_t reserved) { return (word >> 11) == (reserved >> 11); }

// End of text, end of transmission, or the fill after them.
bool endsText(unsigned value) { return value == 0 || value == 3 || value == 4; }

// Calls `f(value, unread)` for each 7-bit character of the gathered message codewords in
// order; `unread` when one of its bits lies in a codeword that could not be read. The bit
// count of an unread codeword is known, so the characters after it are in step again.
template <typename F>
void forEachCharacter(const PocsagWordState& w, F&& f) {
    unsigned value = 0;
    int count = 0;
    bool unread = false;
    for (int i = 0; i < w.messageWordCount; ++i) {
        const std::uint32_t word = w.messageWords[static_cast<std::size_t>(i)];
        const bool lost = w.messageWordErrors[static_cast<std::size_t>(i)] == kUncorrectable;
        for (int bit = 30; bit >= 11; --bit) {
            value |= ((word >> bit) & 1u) << count;
            unread = unread || lost;
            if (++count == 7) {
                f(value, unread);
                value = 0;
                count = 0;
                unread = false;
            }
        }
    }
    // An incomplete last character is dropped.
}

// The message gathered so far holds its end of text, read for certain.
bool messageEnded(const PocsagWordState& w) {
    bool ended = false;
    forEachCharacter(w, [&](unsigned value, bool unread) { ended = ended || (!unread && endsText(value)); });
    return ended;
}

}  // namespace

void searchSync(PocsagBitState& b, PocsagWordState& w, const DecoderOptions& options) {
    const bool tolerant = options.pocsagErrorCorrection;
    // The clocked slicer's soft bits say how loud each bit was; the run slicer's do not.
    const bool soft = tolerant && options.inputFilter;
    const bool endWithoutSync = options.pocsagBatchAwareEnd && b.pocsagState == PocsagPhase::BetweenBatches;
    for (int n = ringFill(b.bitRead, b.bitWrite); n > 0; --n) {
        shiftIn(w, takeBit(b));
        bool found = false;
        if (w.syncRegister == kSyncCodeword) {
            w.invertedPolarity = false;
            found = true;
        } else if (w.syncRegister == kInvertedSyncCodeword) {
            w.invertedPolarity = true;
            w.syncRegister = ~w.syncRegister;
            found = true;
        } else if (tolerant) {
            // Right where the next batch must begin, in the polarity of the last one.
            const bool expected = b.pocsagState == PocsagPhase::BetweenBatches && w.bitsSinceBatch + 1 == 32;
            const int normalLimit = expected && !w.invertedPolarity ? kSyncErrorsExpected : kSyncErrorsAnywhere;
            const int invertedLimit = expected && w.invertedPolarity ? kSyncErrorsExpected : kSyncErrorsAnywhere;
            if (bitDistance(w.syncRegister, kSyncCodeword) <= normalLimit) {
                w.invertedPolarity = false;
                found = true;
            } else if (bitDistance(w.syncRegister, kInvertedSyncCodeword) <= invertedLimit) {
                w.invertedPolarity = true;
                found = true;
            }
            if (!found && soft) {
                // The page goes on after the drop-out; the codewords it hit stay unread.
                const bool inverted = expected ? w.invertedPolarity : false;
                if (heardPartOfSync(w, inverted, expected)) {
                    found = true;
                    w.invertedPolarity = inverted;
                } else if (!expected && heardPartOfSync(w, true, false)) {
                    found = true;
                    w.invertedPolarity = true;
                }
            }
            if (found) w.syncRegister = kSyncCodeword;
        }
        if (found) {
            b.pocsagState = PocsagPhase::InBatch;
            w.bitInWord = 0;
            break;
        }
        ++w.bitsSinceBatch;
        if (endWithoutSync && w.bitsSinceBatch > kSyncSearchLimit) {
            // No further batch: the carrier has gone, whatever the runs still look like.
            b.transmissionEnded = true;
            b.endRun = b.sliceRead;
            break;
        }
    }
    w.batchWords.fill(0);
    w.batchWordErrors.fill(0);
    w.batchWordSilenced.fill(false);
    w.batchWordFilled = 0;
    w.batchWords[0] = w.syncRegister;
    w.batchWordCount = 1;
}

void collectCodewords(PocsagBitState& b, PocsagWordState& w, const DecoderOptions& options) {
    w.correcting = options.pocsagErrorCorrection;
    while (!w.batchReady && b.bitRead != b.bitWrite && w.batchWordCount < 17) {
        shiftIn(w, takeBit(b));
        if (++w.bitInWord < 32) continue;
        w.bitInWord = 0;
        if (w.invertedPolarity) w.syncRegister = ~w.syncRegister;
        const std::uint32_t word = w.syncRegister;
        const auto at = static_cast<std::size_t>(w.batchWordCount);
        w.batchWords[at] = word;
        if (options.pocsagErrorCorrection) {
            const CheckedCodeword checked = correctCodeword(word);
            bool sound = checked.check != CodewordCheck::Failed;
            if (sound && options.inputFilter) sound = vouchedFor(word, checked, softSizes(w));
            // A codeword not vouched for stays as received, marked: it is never a guess.
            w.batchWords[at] = sound ? checked.word : word;
            w.batchWordErrors[at] = sound ? static_cast<std::int8_t>(checked.flipped) : kUncorrectable;
            if (!sound && options.inputFilter) {
                if (const auto filled = fillBlankedStretch(word, softSizes(w))) {
                    w.batchWords[at] = *filled;
                    w.batchWordsHeard[at] = word;
                    w.batchWordErrors[at] = kFilledErrors;
                    w.batchWordFilled |= 1u << at;
                }
            }
            // Noise leaves its weak bits scattered; a drop-out blanks a stretch.
            w.batchWordSilenced[at] = options.inputFilter && (w.unheardBits & (w.unheardBits >> 1)) != 0;
        }
        ++w.batchWordCount;
        if (word == 0 || w.batchWordCount >= 17) {
            w.batchReady = true;
            b.pocsagState = PocsagPhase::BetweenBatches;
            w.batchIndex = 0;
            w.bitsSinceBatch = 0;
            if (word == 0) --w.batchWordCount;
            confirmFilledWords(w);
        }
    }
    if (b.transmissionEnded) {
        confirmFilledWords(w);
        w.batchIndex = 0;
        w.batchReady = true;
    }
}

void interpretAddresses(PocsagWordState& w) {
    while (w.batchIndex < w.batchWordCount) {
        const std::uint32_t word = w.batchWords[static_cast<std::size_t>(w.batchIndex)];
        if ((word & kMessageFlag) == 0) {
            if (sameData(word, kSyncCodeword)) {
                ++w.syncCount;
            } else if (sameData(word, kIdleCodeword)) {
                ++w.idleCount;
            } else if (!w.correcting || trustworthy(w, w.batchIndex)) {
                // With correction, a doubtful codeword is no address: a wrong RIC is worse
                // than none.
                const int function = static_cast<int>((word >> 11) & 3u);
                const auto frame = static_cast<std::uint32_t>((w.batchIndex - 1) / 2);
                const std::uint32_t ric = ((word >> 13) & 0x3FFFFu) * 8u + frame;
                // Each address is a page of its own: an alarm goes to several pagers at
                // once, each with its address and usually its own copy of the text.
                finishPage(w);
                w.page.ric = std::to_string(ric);
                w.page.function = function;
                w.page.text.clear();
                w.pageOpen = true;
                w.addressSeen = true;
                w.messageMode = true;
            }
        }
        ++w.batchIndex;
        if (w.messageMode) break;
    }
    if (w.batchIndex >= w.batchWordCount) w.batchReady = false;
}

void gatherMessage(PocsagWordState& w) {
    while (w.batchIndex < w.batchWordCount) {
        const auto at = static_cast<std::size_t>(w.batchIndex);
        const std::uint32_t word = w.batchWords[at];
        const bool unreadable = w.correcting && w.batchWordErrors[at] == kUncorrectable;
        // After the end of the text an unreadable codeword is the idle or the next address:
        // the page is whole. Before it, it is a piece of the text, whatever its flag bit says.
        if (unreadable && messageEnded(w)) {
            finishPage(w);
            w.addressSeen = false;
            w.messageMode = false;
            break;
        }
        if (unreadable || (word & kMessageFlag) != 0) {
            const auto slot = static_cast<std::size_t>(w.messageWordCount);
            w.messageWords[slot] = word;
            w.messageWordErrors[slot] = w.correcting ? w.batchWordErrors[at] : std::int8_t{0};
            // Later codewords keep overwriting the one slot that is never decoded.
            if (++w.messageWordCount > kMessageWordLimit) w.messageWordCount = kMessageWordLimit;
            ++w.batchIndex;
        } else if (word == kSyncCodeword) {
            ++w.syncCount;
            ++w.batchIndex;
        } else {
            // An idle or the next address ends the page; the address is looked at next.
            finishPage(w);
            w.addressSeen = false;
            w.messageMode = false;
            break;
        }
    }
    if (w.batchIndex >= w.batchWordCount) w.batchReady = false;
}

void finishPage(PocsagWordState& w, bool closed) {
    if (!w.pageOpen) return;
    w.pageOpen = false;
    if (!closed && !w.correcting) {
        // Without the check nothing vouches for the codewords the carrier cut: sliced from
        // whatever followed, they would be a wrong tail. The page keeps its RIC and says
        // that its text is missing.
        w.messageWordCount = 0;
        w.page.text = kGapMark;
        w.page.complete = false;
    } else {
        // Cut off by the carrier, the last codewords that needed two bits mended are not
        // trusted either: the gap mark stands for them.
        if (!closed) {
            for (int i = w.messageWordCount - 1; i >= 0 && w.messageWordErrors[static_cast<std::size_t>(i)] >= 2; --i)
                w.messageWordErrors[static_cast<std::size_t>(i)] = kUncorrectable;
        }
        w.page.complete = decodeAlphanumeric(w, !closed);
    }
    w.messageWordCount = 0;
    if (w.finishedPages.size() >= kPocsagPendingPageLimit) w.finishedPages.erase(w.finishedPages.begin());
    w.finishedPages.push_back(w.page);
}

bool decodeAlphanumeric(PocsagWordState& w, bool cut) {
    std::string& text = w.page.text;
    text.clear();
    bool inGap = false;
    bool gaps = false;
    bool ended = false;
    forEachCharacter(w, [&](unsigned value, bool unread) {
        if (ended) return;
        if (unread) {
            // One mark for a run of characters not read for certain.
            if (!inGap) text += kGapMark;
            inGap = gaps = true;
            return;
        }
        inGap = false;
        if (w.correcting && endsText(value)) ended = true;
        appendPagerCharacter(text, value);
    });
    // A text the carrier cut before its end has lost its tail.
    if (cut && !ended) {
        if (!inGap) text += kGapMark;
        gaps = true;
    }
    return !gaps;
}

void runCodewordLayer(PocsagBitState& b, PocsagWordState& w, const DecoderOptions& options) {
    if (b.pocsagState == PocsagPhase::Preamble || b.pocsagState == PocsagPhase::BetweenBatches) searchSync(b, w, options);
    if (b.pocsagState == PocsagPhase::InBatch) collectCodewords(b, w, options);
    while (w.batchReady) {
        if (w.messageMode) {
            gatherMessage(w);
        } else {
            interpretAddresses(w);
        }
    }
}

void endTransmission(PocsagBitState& b, PocsagWordState& w) {
    finishPage(w, false);
    w.idleCount = 0;
    w.syncCount = 0;
    b.transmissionEnded = false;
    b.pocsagState = PocsagPhase::Hunting;
    w.batchIndex = 0;
    w.messageMode = false;
    w.messageWordCount = 0;
    w.addressSeen = false;
}

}  // namespace kub
