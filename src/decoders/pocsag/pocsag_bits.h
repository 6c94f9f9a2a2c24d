#pragma once
// Bit recovery of one channel: the samples become level runs, the runs a bit length and
// a preamble, and finally soft bits in the bit ring. Works for any rate from about 441
// to 2756 bit/s without being told which.

#include "common/sample_block.h"
#include "decoders/dither_source.h"
#include "decoders/pocsag/pocsag_filter.h"
#include "decoders/pocsag/pocsag_state.h"

namespace kub {

// Adds uniform noise of [-0.5, 0.5) to every sample, so that digital silence still
// moves the trigger once its thresholds have been reset.
void ditherSamples(SampleArray& samples, DitherSource& random);

// Schmitt trigger at half the positive and negative peaks; each finished level run goes
// to `runRing` with its length interpolated between samples. Classic: the negative peak
// never decays, so one early spike holds the low threshold down for the whole run;
// `decayingNegPeak` lets it decay like the positive one.
void measureRuns(PocsagBitState& st, const SampleArray& samples, bool decayingNegPeak = false);

// Dither, optionally the low-pass, and the run measurement in one pass over the block,
// exactly as the three one after the other; the samples are left dithered and filtered.
// Each step waits for its own previous sample only, and in one loop the processor works
// on all of them at once. With a low-pass the negative peak decays.
void ditherAndMeasureRuns(PocsagBitState& st, SampleArray& samples, DitherSource& random, PocsagLowPass* lowPass);

// Follows the bit length over every new run, recognises the preamble and decides when a
// transmission has ended. Classic: any run longer than 20 bit lengths ends it. With
// `batchAwareEnd` the lock test no longer ends a transmission once its batches are
// running (a message padded with zero bits holds such runs); the codeword layer ends it
// when no further sync codeword comes.
void trackBitLength(PocsagBitState& st, bool batchAwareEnd = false);

// Cuts the unread runs into soft bits (only while a transmission is on), up to and
// including the run that ended the transmission.
void sliceRuns(PocsagBitState& st);

}  // namespace kub
