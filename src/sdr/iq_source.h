#pragma once
// Where IQ bytes come from: stdin, a file, a child process (an `rtl_sdr` that may die
// and is started again) or a SoapySDR device. The reader thread reads; any thread may
// stop it.

#include <cstddef>
#include <cstdint>
#include <span>

#include "sdr/iq_format.h"

namespace kub {

class IqSource {
public:
    virtual ~IqSource() = default;
    // Blocks until bytes come, then some of them into `into`; 0 once the source has ended
    // for good or has been stopped.
    virtual std::size_t read(std::span<std::uint8_t> into) = 0;
    // From any thread: a read going on returns soon, and every later one returns 0.
    virtual void stop() = 0;
    virtual IqFormat format() const = 0;
};

}  // namespace kub
