#include "decoders/zvei/zvei_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <utility>

namespace kub {

namespace {

constexpr double kRate = kSampleRate;
constexpr int kBlockLength = 200;        // samples per block value (two averaging windows)
constexpr double kUnsteadyChange = 0.05; // mean change above 5 % of the frequency: no tone
constexpr double kSteadyPair = 0.01;     // adjacent blocks within 1 %: the tone goes on
// The DC level follows the signal over about a hundred samples (4.5 ms): slow enough to
// leave the lowest tone (795 Hz, 28 samples a period) alone.
constexpr double kDcKeep = 0.99;
constexpr double kDcFollow = 0.01;
constexpr int kStableRunWrap = 31000;
// A tone is read three blocks back from where it ended: in its middle, away from the
// blocks its edges share with the neighbouring tones.
constexpr int kToneMiddleBack = 3;
// A fifth tone is read three blocks after its start. After a very long fifth tone that
// block has left the ring, so the classic look-back stops inside the ring (the tone bank
// keeps that block aside instead: a steady run may drift by 1 % a block into an alarm tone).
constexpr int kMaxLookBack = 200;
// Steady block pairs a tone holds: the classic cut takes 5 to 9 (about 55 to 90 ms).
// Encoders in the field send anything from 50 to 100 ms; the tone bank's blocks are
// steady from the first whole block of a tone, so with it a tone may hold 3 to 12.
constexpr int kClassicShortestTone = 5;
constexpr int kClassicLongestTone = 9;
constexpr int kBankShortestTone = 3;
constexpr int kBankLongestTone = 12;
// More unsteady pairs than this in a row (about 54 ms without a tone): whatever was
// collected is no sequence.
constexpr int kMaxUnsteadyPairs = 5;
// "L" shares its lowest row with "7" and is read only above it.
constexpr int kLowestOwnRowOfL = 186;
// An off-table tone is kept in steps of a hundredth of its frequency.
constexpr double kOffGridSteps = 100.0;

struct ToneRow {
    int low;
    int high;
    std::string_view result;
};

// Tested in this order, first match wins: R = 185 is "7", so "L" only gets 186 and 187.
constexpr ToneRow kToneTable[] = {
    {105, 107, "1"}, {114, 118, "2"}, {125, 129, "3"}, {138, 142, "4"}, {151, 155, "5"},
    {165, 169, "6"}, {181, 185, "7"}, {198, 202, "8"}, {218, 222, "9"}, {238, 245, "0"},
    {258, 262, kZveiRepeatTone}, {278, 282, "Gr"}, {80, 82, "C"}, {88, 89, "H"},
    {174, 176, "U"}, {185, 187, "L"}, {212, 215, "J"}, {226, 230, "P"},
};

// A digit or the repeat tone: what a sequence of digits is made of.
bool isDigitTone(double hz) {
    const std::string_view t = ZveiDecoder::classifyTone(hz);
    return (t.size() == 1 && t[0] >= '0' && t[0] <= '9') || t == kZveiRepeatTone;
}

}  // namespace

ZveiDecoder::ZveiDecoder(const DecoderOptions& options, BusyFlags& flags, std::uint64_t ditherSeed)
    : options_(options), flags_(flags), dither_(ditherSeed ? ditherSeed : 1) {}

std::vector<ZveiCodeEvent> ZveiDecoder::takeEvents() {
    std::vector<ZveiCodeEvent> taken;
    taken.swap(events_);
    return taken;
}

std::string_view ZveiDecoder::classifyTone(double frequency) {
    // Nearest integer, halves to even (the default rounding mode).
    const double r = std::nearbyint(frequency / 10.0);
    for (const auto& row : kToneTable) {
        if (r >= row.low && r <= row.high) return row.result;
    }
    return {};
}

double ZveiDecoder::toneRowMiddle(double frequency) {
    const double r = std::nearbyint(frequency / 10.0);
    for (const auto& row : kToneTable) {
        if (r < row.low || r > row.high) continue;
        // "L" starts where "7" ends; its middle must not fall back into "7".
        const int low = row.result == "L" ? kLowestOwnRowOfL : row.low;
        return 5.0 * (low + row.high);
    }
    return 0;
}

int ZveiDecoder::ringIndex(int position) { return ((position % kRingSize) + kRingSize) % kRingSize; }

void ZveiDecoder::pushBlock(double value) {
    Detector& d = d_;
    d.blockRing[static_cast<std::size_t>(d.blockWrite)] = value;
    d.blockWrite = (d.blockWrite + 1) % kRingSize;
}

void ZveiDecoder::process(const SampleArray& samples) {
    const bool bank = options_.inputFilter;
    if (bank) {
        estimateByToneBank(samples);
    } else {
        estimateByCrossings(samples);
    }

    segmentTones();

    if (d_.toneCount == kTonesPerCode) {
        Tones tones = d_.tones;
        bool onGrid = true;
        bool letters = false;
        for (double t : tones) {
            onGrid = onGrid && toneRowMiddle(t) == t;
            letters = letters || !isDigitTone(t);
        }
        // A letter tone lies 1.6 to 5 % from a digit tone: a whole code of digits off by
        // a sound card's 2 % can put one of them on a letter ("L", 1860 Hz, for "7",
        // 1830 Hz). Where all five tones are off the digit tones by one factor, they are
        // digits off frequency; a letter sent as such is off by its own distance alone.
        if (bank && onGrid && letters) {
            Tones digits = tones;
            if (readWithOffset(digits)) tones = digits;
        }
        if ((!bank || onGrid || readWithOffset(tones)) && (!bank || certainLetters(tones))) {
            readSequence(tones);
        } else {
            // Tones off the table and not all off alike: no code.
            d_.toneCount = 0;
        }
    }
}

namespace {
// The tones a sequence of digits is made of, repeat tone included.
constexpr double kDigitTones[] = {1060, 1160, 1270, 1400, 1530, 1670, 1830, 2000, 2200, 2400, 2600};
// How far the whole signal may be off, and how closely the five tones must agree on it.
constexpr double kMaxOffset = 0.04;
constexpr double kOffsetAgreement = 0.008;

double nearestDigitTone(double hz) {
    double best = 0;
    for (double t : kDigitTones) {
        if (best == 0 || std::fabs(hz / t - 1.0) < std::fabs(hz / best - 1.0)) best = t;
    }
    return best;
}
}  // namespace

double ZveiDecoder::offGridValue(double hz) {
    if (hz <= 0) return kUnsteadyBlock;
    const double tone = nearestDigitTone(hz);
    const double off = hz / tone - 1.0;
    if (std::fabs(off) > kMaxOffset) return kUnsteadyBlock;
    // In steps of 1 %: a tone read a few hertz apart block by block stays one tone.
    return tone * (1.0 + std::nearbyint(off * kOffGridSteps) / kOffGridSteps);
}

bool ZveiDecoder::letterAtDigitsEdge(double tone, double neighbour) {
    if (tone <= kUnsteadyBlock || neighbour <= kUnsteadyBlock || isDigitTone(tone) || !isDigitTone(neighbour))
        return false;
    const std::string_view letter = classifyTone(tone);
    return !letter.empty() && letter != "Gr" && std::fabs(neighbour / tone - 1.0) <= kMaxOffset;
}

bool ZveiDecoder::certainLetters(const Tones& tones) const {
    // A letter still read whose run borders on the digit next to it is that digit drifting
    // in or out, unless the digit is the code's own tone on that side.
    for (std::size_t i = 0; i < kTonesPerCode; ++i) {
        const std::string_view before = i > 0 ? classifyTone(tones[i - 1]) : std::string_view{};
        const std::string_view after = i + 1 < kTonesPerCode ? classifyTone(tones[i + 1]) : std::string_view{};
        if (letterAtDigitsEdge(tones[i], edgeBefore_[i]) && classifyTone(edgeBefore_[i]) != before) return false;
        if (letterAtDigitsEdge(tones[i], edgeAfter_[i]) && classifyTone(edgeAfter_[i]) != after) return false;
    }
    return true;
}

bool ZveiDecoder::readWithOffset(Tones& tones) const {
    // Letter tones lie 1.6 to 5 % from digit tones: one of them, off the table, cannot be
    // told from a digit tone off frequency. So only digits and the repeat tone are read
    // this way, and only when all five measured tones are off by one factor.
    Tones ratio{};
    for (std::size_t i = 0; i < kTonesPerCode; ++i) {
        const double raw = rawTones_[i];
        if (raw <= 0) return false;
        ratio[i] = raw / nearestDigitTone(raw);
        if (std::fabs(ratio[i] - 1.0) > kMaxOffset) return false;
    }
    Tones sorted = ratio;
    std::sort(sorted.begin(), sorted.end());
    const double factor = sorted[2];
    for (std::size_t i = 0; i < kTonesPerCode; ++i) {
        if (std::fabs(ratio[i] / factor - 1.0) > kOffsetAgreement) return false;
    }
    Tones read{};
    for (std::size_t i = 0; i < kTonesPerCode; ++i) {
        const double corrected = rawTones_[i] / factor;
        if (!isDigitTone(corrected)) return false;
        if (std::fabs(corrected / nearestDigitTone(corrected) - 1.0) > kOffsetAgreement) return false;
        read[i] = toneRowMiddle(corrected);
    }
    tones = read;
    return true;
}

void ZveiDecoder::estimateByToneBank(const SampleArray& samples) {
    Detector& d = d_;
    // Blocks end after the sample at block phase 0, their first halves after phase 100.
    const int total = static_cast<int>(samples.size());
    int at = 0;
    while (at < total) {
        const int phase = d.blockPhase;
        const int toBoundary = phase == 0 ? 1 : (phase <= kWindow ? kWindow + 1 - phase : kBlockLength + 1 - phase);
        const int n = std::min(toBoundary, total - at);
        toneBank_.add(samples.data() + at, n);
        at += n;
        const int last = (phase + n - 1) % kBlockLength;
        d.blockPhase = (phase + n) % kBlockLength;
        if (n < toBoundary) break;
        if (last == kWindow) {
            toneBank_.finishFirstHalf();
        } else if (last == 0) {
            const double raw = toneBank_.finishBlock();
            const double middle = toneRowMiddle(raw);
            const double value = middle > 0 ? middle : offGridValue(raw);
            // A tone lasts seven blocks or more: one odd block between two equal ones is
            // noise and takes their value. The block goes out one block late for that.
            if (value > kUnsteadyBlock && value == bankHistory_[0] && bankHistory_[1] != value) {
                bankHistory_[1] = value;
                rawHistory_[1] = rawHistory_[0];
            }
            rawRing_[static_cast<std::size_t>(d.blockWrite)] = rawHistory_[1];
            pushBlock(bankHistory_[1]);
            bankHistory_[0] = bankHistory_[1];
            bankHistory_[1] = value;
            rawHistory_[0] = rawHistory_[1];
            rawHistory_[1] = raw;
        }
    }
}

void ZveiDecoder::estimateByCrossings(const SampleArray& samples) {
    Detector& d = d_;
    for (const double sample : samples) {
        // DC removal.
        d.dcLevel = kDcKeep * d.dcLevel + kDcFollow * sample;
        const double x = sample - d.dcLevel;

        // Period from the last crossing of the same direction, interpolated between
        // samples. The dither keeps silence from sitting on exact zeros.
        const double s = x + dither_.next() - 0.5;
        if (d.prevSample < 0 && s >= 0) {
            double slope = s - d.prevSample;
            if (slope < 1.0) slope = 1.0;
            const double t = -d.prevSample / slope;
            const double period = d.risingPhase - 1 + t;
            // Only the very first crossing after start can have no full period behind it.
            if (period > 0) d.instantFrequency = kRate / period;
            d.risingPhase = 1 - t;
        } else if (d.prevSample >= 0 && s < 0) {
            double slope = d.prevSample - s;
            if (slope < 1.0) slope = 1.0;
            const double t = d.prevSample / slope;
            const double period = d.fallingPhase - 1 + t;
            if (period > 0) d.instantFrequency = -kRate / period;
            d.fallingPhase = 1 - t;
        }
        d.prevSample = s;
        d.risingPhase += 1;
        d.fallingPhase += 1;
        const double v = std::fabs(d.instantFrequency);

        // Running means over the last 100 estimates and their changes.
        const auto w = static_cast<std::size_t>(d.windowIndex);
        d.meanFrequency += (v - d.freqWindow[w]) / kWindow;
        d.freqWindow[w] = v;
        const double c = std::fabs(v - d.prevFrequency);
        d.meanChange += (c - d.diffWindow[w]) / kWindow;
        d.diffWindow[w] = c;
        d.windowIndex = (d.windowIndex + 1) % kWindow;
        d.prevFrequency = v;

        if (d.blockPhase == 0) {
            double out = d.meanFrequency;
            if (d.meanFrequency == 0) d.meanFrequency = 1.0;
            if (d.meanChange / d.meanFrequency > kUnsteadyChange) out = kUnsteadyBlock;
            pushBlock(out);
        }
        d.blockPhase = (d.blockPhase + 1) % kBlockLength;
    }
}

void ZveiDecoder::segmentTones() {
    Detector& d = d_;
    int available = d.blockWrite - d.blockRead;
    if (d.blockRead > d.blockWrite) available += kRingSize;
    const int n = available - 1;
    const auto ring = [&d](int position) {
        return d.blockRing[static_cast<std::size_t>(ringIndex(position))];
    };

    const bool bank = options_.inputFilter;
    const int shortest = bank ? kBankShortestTone : kClassicShortestTone;
    const int longest = bank ? kBankLongestTone : kClassicLongestTone;
    int j = 0;
    while (j < n) {
        const double f1 = ring(d.blockRead + j + 1);
        const double f0 = ring(d.blockRead + j);
        // A marked or empty block counts as a change.
        const double a = f1 > kUnsteadyBlock ? std::fabs(f1 - f0) / (f1 + f0) : 1.0;

        if (d.toneCount < kTonesPerCode - 1 && a > kSteadyPair && d.stableRun >= shortest &&
            d.stableRun <= longest) {
            // A tone of normal length has just ended: take a block from its middle.
            d.tones[static_cast<std::size_t>(d.toneCount)] = ring(d.blockRead + j - kToneMiddleBack);
            rawTones_[static_cast<std::size_t>(d.toneCount)] =
                rawRing_[static_cast<std::size_t>(ringIndex(d.blockRead + j - kToneMiddleBack))];
            edgeBefore_[static_cast<std::size_t>(d.toneCount)] = ring(d.blockRead + j - d.stableRun - 1);
            edgeAfter_[static_cast<std::size_t>(d.toneCount)] = f1;
            d.stableRun = 0;
            d.toneCount += 1;
            if (bank) restartOnRepeatedTone();
        }
        if (d.toneCount == kTonesPerCode - 1 && a > kSteadyPair && d.stableRun >= shortest) {
            // The fifth tone may be of any length.
            if (bank) {
                d.tones[4] = fifthStart_;
                rawTones_[4] = rawFifthStart_;
            } else {
                const int back = std::min(d.stableRun - kToneMiddleBack, kMaxLookBack);
                d.tones[4] = ring(d.blockRead + j - back);
                rawTones_[4] = rawRing_[static_cast<std::size_t>(ringIndex(d.blockRead + j - back))];
            }
            edgeBefore_[4] = ring(d.blockRead + j - d.stableRun - 1);
            edgeAfter_[4] = f1;
            d.toneCount = kTonesPerCode;
            if (bank) restartOnRepeatedTone();
        }
        if (a < kSteadyPair) {
            d.stableRun += 1;
            if (d.toneCount == kTonesPerCode - 1 && d.stableRun == kToneMiddleBack) {
                fifthStart_ = f1;
                rawFifthStart_ = rawRing_[static_cast<std::size_t>(ringIndex(d.blockRead + j + 1))];
            }
            if (d.stableRun > kStableRunWrap) d.stableRun = 0;
            d.unstableRun = 0;
        } else {
            d.stableRun = 0;
            d.unstableRun += 1;
        }
        if (d.unstableRun > kMaxUnsteadyPairs) {
            d.tones.fill(0);
            d.toneCount = 0;
        }
        j += 1;
        if (d.toneCount == kTonesPerCode) break;
    }
    d.blockRead = ringIndex(d.blockRead + j);
}

void ZveiDecoder::restartOnRepeatedTone() {
    // A sender never puts the same tone twice in a row (that is what the repeat tone is
    // for), so two equal neighbours are one tone broken up, or an alarm tone whose partner
    // makes the bank's reading waver (675 Hz with 1240 Hz read as "33333"). The newer of
    // the two may still be the first tone of a code.
    Detector& d = d_;
    const auto last = static_cast<std::size_t>(d.toneCount - 1);
    // The frequencies the bank measured, not the rows: a tone on the edge of a row may be
    // read on it in one block and off it in the next. Neighbouring tones of the table lie
    // 1.6 % apart or more.
    if (last == 0 || !(std::fabs(rawTones_[last] / rawTones_[last - 1] - 1.0) < kOffsetAgreement)) return;
    d.tones[0] = d.tones[last];
    rawTones_[0] = rawTones_[last];
    edgeBefore_[0] = edgeBefore_[last];
    edgeAfter_[0] = edgeAfter_[last];
    d.toneCount = 1;
}

void ZveiDecoder::readSequence(const Tones& tones) {
    lastTones_ = tones;
    std::string code;
    for (double f : tones) {
        const std::string_view t = classifyTone(f);
        if (t == kZveiRepeatTone) {
            code += lastChar_;
        } else {
            code += t;
        }
        if (!code.empty()) lastChar_ = code.substr(code.size() - 1);
    }

    // Behind the band-pass, the bit stream of a POCSAG or FMS transmission on the same
    // channel can leave harmonics steady enough to pass for five tones. Taking the next
    // block away from those decoders is only worth it for something that is a code.
    const bool whole = code.size() == kTonesPerCode;
    if (!options_.inputFilter || whole) flags_.zveiDecoded = true;
    d_.toneCount = 0;
    if (whole) events_.push_back(ZveiCodeEvent{std::move(code), flags_.blocks});
}

}  // namespace kub
