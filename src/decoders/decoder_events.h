#pragma once
// What the decoders of one channel hand on: protocol events, each with the channel's
// block in which it was completed. Nothing here knows the monitor's rules; the reception
// handling of the core turns events into receptions.

#include <cstdint>
#include <string>
#include <variant>

namespace kub {

// One FMS telegram as evaluated, or a whole text transmission with its text.
struct FmsTelegramEvent {
    std::string kennung;
    int status = 0;
    int tki = 0;
    int direction = 0;
    std::string text;  // UTF-8, as received ("---" for a follow-up telegram that was lost)
    // 1-based position of the first undecidable bit among the first 48, 0 if none.
    int undecidablePosition = 0;
    std::uint64_t block = 0;
};

// A tone call: "I" at 1750 Hz, "II" at 2135 Hz, reported once when it has lasted long enough.
enum class ToneCall { I, II };
struct ToneCallEvent {
    ToneCall tone = ToneCall::I;
    std::uint64_t block = 0;
};

using FmsEvent = std::variant<FmsTelegramEvent, ToneCallEvent>;

// A five-tone code of five characters, the repeat tone already replaced.
struct ZveiCodeEvent {
    std::string code;
    std::uint64_t block = 0;
};

// One POCSAG page: an address with its function and the text of its message.
struct PocsagPageEvent {
    std::string ric;
    int function = 0;
    std::string text;  // UTF-8; empty for a tone-only page or a text that was cut off
    // Closed by the next address or an idle; false when the carrier ended it first (its
    // text is dropped then) or a codeword could not be mended (the text stops there).
    bool complete = true;
    std::uint64_t block = 0;
};

}  // namespace kub
