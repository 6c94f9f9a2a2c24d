#pragma once
// Improvements of ours over the classic decoders. Each is a "Mon.ini" setting and on by
// default; with all four off every decoder works exactly the classic way.

namespace kub {

struct DecoderOptions {
    // Band-pass (FMS, ZVEI) and low-pass (POCSAG) filtering in front of each decoder.
    bool inputFilter = false;
    // POCSAG codewords checked against their BCH check bits and parity, up to two bit
    // errors corrected.
    bool pocsagErrorCorrection = false;
    // FMS telegrams checked against their seven check bits.
    bool fmsCheckBits = false;
    // A long run inside a POCSAG batch does not end the transmission.
    bool pocsagBatchAwareEnd = false;

    static DecoderOptions allOn() { return {true, true, true, true}; }
    static DecoderOptions classic() { return {}; }
};

}  // namespace kub
