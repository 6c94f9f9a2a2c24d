#pragma once
// The codeword layer of one channel: finds the sync codeword in either polarity,
// collects batches of 16 codewords and turns them into RIC, function and message text.
// Check bits are carried along but not used.

#include "decoders/pocsag/pocsag_state.h"

namespace kub {

// Looks for the sync codeword in the unread bits (states Preamble and BetweenBatches).
void searchSync(PocsagBitState& bits, PocsagWordState& words);
// Fills the batch from the unread bits (state InBatch). An all-zero codeword cuts the
// batch short; at the end of a transmission the partial batch is released as it is.
void collectCodewords(PocsagBitState& bits, PocsagWordState& words);
// Counts sync and idle codewords and takes addresses until one starts a message.
void interpretAddresses(PocsagWordState& words);
// Gathers message codewords until an idle or address codeword ends the message.
void gatherMessage(PocsagWordState& words);
// The gathered message codewords as 7-bit text into `receptionText`.
void decodeAlphanumeric(PocsagWordState& words);

// The whole layer for one buffer, in its order: sync search, collection, then the
// ready batch interpreted to its end.
void runCodewordLayer(PocsagBitState& bits, PocsagWordState& words);

}  // namespace kub
