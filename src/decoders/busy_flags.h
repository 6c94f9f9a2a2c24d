#pragma once
// The busy flags through which the decoders of one channel keep out of each other's way:
// an FMS text transmission, a five-tone code just read and a POCSAG transmission each
// hold the channel's other decoders back (decoder_set.h says when).

#include <cstdint>

namespace kub {

struct BusyFlags {
    // An FMS text transmission runs: the follow-up telegrams belong to it.
    bool fmsBusy = false;
    // A five-tone code was read in the last block ZVEI ran on.
    bool zveiDecoded = false;
    // A POCSAG transmission is under way (past its preamble).
    bool pocsagBusy = false;
    // Blocks handled on this channel, this one included: a decoder that follows something
    // periodic across blocks sees from it which blocks it was not given.
    std::uint64_t blocks = 0;
};

}  // namespace kub
