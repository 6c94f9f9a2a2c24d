#pragma once
// --rate and --channels of "kubmon decode -" and "kubmon run --input -": the format of
// raw PCM on stdin, which has no header to tell it.

#include <string>

#include "capture/raw_pcm.h"
#include "common/command_options.h"
#include "commands.h"

namespace kubmon {

struct RawInputOptions {
    bool rateGiven = false;
    std::string rate;
    bool channelsGiven = false;
    std::string channels;

    // The two options among a command's; their values, a missing one too, are checked by
    // `format`.
    void addTo(kub::CommandOptions& options);
    // The format for stdin, or one German line saying what is missing or wrong. Without
    // stdin as input the two options have nothing to describe, which is said too.
    std::string format(bool fromStdin, kub::RawPcmFormat& out) const;
};

}  // namespace kubmon
