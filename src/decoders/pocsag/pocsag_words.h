#pragma once
// The codeword layer of one channel: finds the sync codeword in either polarity,
// collects batches of 16 codewords and turns them into RIC, function and message text.
// Classic: check bits are carried along but not used. With error correction every
// codeword is checked and mended before it is classified, and the sync codeword is
// recognised with a few bits wrong.

#include "common/decoder_options.h"
#include "decoders/pocsag/pocsag_state.h"

namespace kub {

// Looks for the sync codeword in the unread bits (states Preamble and BetweenBatches).
// With the batch-aware end, a transmission whose next sync codeword does not come
// within two codewords of the end of a batch is over.
void searchSync(PocsagBitState& bits, PocsagWordState& words, const DecoderOptions& options = {});
// Fills the batch from the unread bits (state InBatch). An all-zero codeword cuts the
// batch short; at the end of a transmission the partial batch is released as it is.
void collectCodewords(PocsagBitState& bits, PocsagWordState& words, const DecoderOptions& options = {});
// Counts sync and idle codewords; each address taken opens a page.
void interpretAddresses(PocsagWordState& words);
// Gathers message codewords until an idle or address codeword ends the page.
void gatherMessage(PocsagWordState& words);
// The gathered message codewords as 7-bit text into the open page's text, with the mark
// "…" for each run of characters in codewords that could not be read, and at the end when
// the carrier `cut` the text before its end. False when the text has such a mark.
bool decodeAlphanumeric(PocsagWordState& words, bool cut = false);
// Closes the open page, if any, and adds it to the finished pages. Closed by an idle or
// the next address, its gathered message codewords become its text; cut off by the end
// of the transmission (`closed` false), it keeps what was read with the mark "…" after it
// (without the check, only the mark).
void finishPage(PocsagWordState& words, bool closed = true);

// The carrier has gone: the open page is finished without its unfinished text, and bit
// recovery and codeword layer go back to hunting for the next transmission.
void endTransmission(PocsagBitState& bits, PocsagWordState& words);

// The whole layer for one buffer, in its order: sync search, collection, then the
// ready batch interpreted to its end.
void runCodewordLayer(PocsagBitState& bits, PocsagWordState& words, const DecoderOptions& options = {});

}  // namespace kub
