#pragma once
// Reading a signal that has lost its low frequencies to a steep edge (a radio's high-pass in
// front of its CTCSS decoder, a voice channel of unknown make). Every bit leaves a tail that
// rings for many bit lengths, and after a run of equal bits the tails outweigh the bit
// being read. The preamble cannot tell what a bit leaves: its bits alternate, and the tails
// of alternating bits cancel. The sync codeword that follows can: its 32 bits are known and
// varied. Where the preamble stops alternating, the sync codeword begins (or two bits
// earlier, depending on where the preamble ended); for each such start and polarity the
// channel is learnt from the preamble and the sync codeword together (pocsag_channel_fit.h),
// the next codeword is read through it (pocsag_sequence_reader.h), and the start whose
// codeword the check vouches for is taken. From there on every codeword the check vouches
// for is put in as it was sent: a wrong bit it mended leaves no wrong tail behind, and the
// channel is learnt again from the words now known.

#include <array>
#include <cstdint>

#include "decoders/pocsag/pocsag_channel_fit.h"
#include "decoders/pocsag/pocsag_sequence_reader.h"

namespace kub {

class PocsagSteepEqualiser {
public:
    // The sync codeword and the codeword after it, read again once the channel is learnt.
    static constexpr int kRereadBits = 64;

    void reset();

    // What the bits decided so far leave in the two halves of the coming bit (nothing until
    // the channel is learnt).
    double firstHalfTail() const { return learnt_ ? reader_.tail(first_) : 0.0; }
    double secondHalfTail() const { return learnt_ ? reader_.tail(second_) : 0.0; }
    // The sum a bit of unit level leaves over its own length.
    double level() const { return first_[0] + second_[0]; }
    bool learnt() const { return learnt_; }
    // From the preamble's end on the edges lie where the tails push them, and a bit's own
    // shape through the edge is lopsided: a clock pulled to where the sums of two bits
    // balance would move the half sums the channel is learnt from, and drift. The clock runs
    // on unpulled (at the standard rate when near it, see the slicer); what it gains or loses
    // slowly is learnt again with the channel at every codeword vouched for.
    bool holdsClock() const { return breakAt_ >= 0; }

    // The coming bit was decided as `bit` (+1 or -1) from the halves `h1`, `h2` as they came
    // in (the tails not taken off).
    void decided(double bit, double h1, double h2);

    // Right after the channel was learnt: the sync codeword and the codeword after it as
    // read now, as soft bits (oldest first), and how many bits before the one just decided
    // the sync codeword began. `count` is 0 at every other time.
    struct Reread {
        std::array<double, kRereadBits> soft{};
        int count = 0;
        int back = 0;
    };
    const Reread& reread() const { return reread_; }
    void clearReread() { reread_.count = 0; }
    // Once learnt, the bits come out some bits late: true when one did with the last decision.
    bool output(double& soft) const {
        soft = outSoft_;
        return hasOutput_;
    }

private:
    static constexpr int kHistory = 256;
    static std::size_t at(long n) { return static_cast<std::size_t>(((n % kHistory) + kHistory) % kHistory); }
    double softAt(long n) const;
    // At the end of the codeword after a candidate sync codeword: learns the channel for
    // each start and polarity and keeps the one whose codeword is vouched for.
    void tryStarts();
    // At the end of each codeword given out once learnt.
    void wordEnded();
    bool refit(long from, long to, int taps);
    double misfitFrom(long from) const;
    double heardEnergyFrom(long from) const;

    std::array<double, kHistory> y1_{}, y2_{}, x_{};
    std::array<bool, kHistory> known_{};
    long count_ = 0;  // bits decided; the index of the coming one
    int alternating_ = 0;
    long breakAt_ = -1;  // the bit where a long alternation broke, -1 none
    bool learnt_ = false;
    bool inverted_ = false;
    long outNext_ = 0;    // the bit the reader gives out next
    long wordStart_ = 0;  // first bit of the codeword being given out
    int wordInBatch_ = 0;  // 0 the sync codeword
    ChannelTaps first_{}, second_{};
    PocsagSequenceReader reader_;
    bool hasOutput_ = false;
    double outSoft_ = 0;
    std::array<float, 32> wordSizes_{};
    int failedInRow_ = 0;
    bool lost_ = false;
    Reread reread_;
};

}  // namespace kub
