#pragma once
// Improvements of ours over the classic decoders. Each is a "Mon.ini" setting and on by
// default; with all four off every decoder works the classic way, apart from fault fixes
// that hold in every mode because the classic behaviour loses or invents receptions:
// POCSAG runs after a transmission's end are not sliced, one run yields at most 1024
// bits, the preamble bit count stops at 30000, and a clock set back makes no repeat;
// the ZVEI look-back is capped and the first crossing after start is guarded, and a
// clock set back makes no repeat there either; an FMS tone call is counted as one run
// across blocks; the ZVEI and POCSAG tables keep the newest 2000 rows.

namespace kub {

struct DecoderOptions {
    // Filtering inside each decoder's channel: a band-pass in front of the FMS
    // demodulator, a bank of narrow filters in place of the ZVEI zero crossings, and for
    // POCSAG a low-pass with a bit clock that sums the signal over each bit.
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
