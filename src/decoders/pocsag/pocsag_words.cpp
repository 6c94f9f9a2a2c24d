#include "decoders/pocsag/pocsag_words.h"

#include <array>

#include "decoders/pocsag/pocsag_bch.h"
#include "decoders/pocsag/pocsag_text.h"

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

void shiftIn(PocsagWordState& w, double soft) {
    w.syncRegister = (w.syncRegister << 1) | (soft > 0 ? 1u : 0u);
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
// of damaged codewords.
bool trustworthy(const PocsagWordState& w, int index) {
    const auto errors = [&](int i) { return w.batchWordErrors[static_cast<std::size_t>(i)]; };
    if (errors(index) == kUncorrectable) return false;
    int damaged = 0;
    for (int i = 1; i < w.batchWordCount; ++i) damaged += errors(i) >= 2 ? 1 : 0;
    if (damaged > kDamagedWordsPerBatch) return false;
    if (looksLikeSlippedIdle(w.batchWords[static_cast<std::size_t>(index)])) return false;
    return (index > 0 && errors(index - 1) <= 1) || (index + 1 < w.batchWordCount && errors(index + 1) <= 1);
}

}  // namespace

void searchSync(PocsagBitState& b, PocsagWordState& w, const DecoderOptions& options) {
    const bool tolerant = options.pocsagErrorCorrection;
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
            w.batchWords[at] = checked.word;
            w.batchWordErrors[at] = checked.check == CodewordCheck::Failed
                                        ? kUncorrectable
                                        : static_cast<std::int8_t>(checked.flipped);
        }
        ++w.batchWordCount;
        if (word == 0 || w.batchWordCount >= 17) {
            w.batchReady = true;
            b.pocsagState = PocsagPhase::BetweenBatches;
            w.batchIndex = 0;
            w.bitsSinceBatch = 0;
            if (word == 0) --w.batchWordCount;
        }
    }
    if (b.transmissionEnded) {
        w.batchIndex = 0;
        w.batchReady = true;
    }
}

void interpretAddresses(PocsagWordState& w) {
    while (w.batchIndex < w.batchWordCount) {
        const std::uint32_t word = w.batchWords[static_cast<std::size_t>(w.batchIndex)];
        if ((word & kMessageFlag) == 0) {
            if (word == kSyncCodeword) {
                ++w.syncCount;
            } else if (word == kIdleCodeword) {
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
        const std::uint32_t word = w.batchWords[static_cast<std::size_t>(w.batchIndex)];
        if (word & kMessageFlag) {
            if (w.correcting && !w.messageBroken &&
                w.batchWordErrors[static_cast<std::size_t>(w.batchIndex)] == kUncorrectable) {
                w.messageBroken = true;
                w.soundMessageWords = w.messageWordCount;
            }
            w.messageWords[static_cast<std::size_t>(w.messageWordCount)] = word;
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
    const bool broken = w.messageBroken;
    w.messageBroken = false;
    if (!w.pageOpen) return;
    w.pageOpen = false;
    // A codeword that could not be mended gives characters that were never sent, and the
    // ones after it may be shifted; the text is shown only as far as it is sound.
    if (broken) w.messageWordCount = w.soundMessageWords;
    // A message the carrier cut off has no end: its last codewords are sliced from
    // whatever followed, and a wrong tail is worse than none. The page keeps its RIC.
    if (closed && w.messageWordCount > 0) {
        decodeAlphanumeric(w);
    } else {
        w.page.text.clear();
    }
    w.messageWordCount = 0;
    w.page.complete = closed && !broken;
    if (w.finishedPages.size() >= kPocsagPendingPageLimit) w.finishedPages.erase(w.finishedPages.begin());
    w.finishedPages.push_back(w.page);
}

void decodeAlphanumeric(PocsagWordState& w) {
    std::string& text = w.page.text;
    text.clear();
    for (int i = 0; i < w.messageWordCount; ++i) {
        const std::uint32_t word = w.messageWords[static_cast<std::size_t>(i)];
        for (int bit = 30; bit >= 11; --bit) {
            w.charBits |= ((word >> bit) & 1u) << w.charBitCount;
            w.charBitCount = (w.charBitCount + 1) % 7;
            if (w.charBitCount == 0) {
                appendPagerCharacter(text, w.charBits);
                w.charBits = 0;
            }
        }
    }
    // An incomplete last character is dropped.
    w.charBits = 0;
    w.charBitCount = 0;
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
