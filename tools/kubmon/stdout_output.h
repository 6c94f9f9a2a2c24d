#pragma once
// kubmon's stdout as an output of the receptions: the export line of each reception
// (tone calls have none), or with --json every reception as one JSON object per line.
// Each line is flushed at once, so a script on the other end of a pipe sees it live.

#include "core/reception_output.h"

namespace kubmon {

class StdoutOutput final : public kub::ReceptionOutput {
public:
    explicit StdoutOutput(bool json) : json_(json) {}
    void deliver(const kub::ReceptionRecord& record) override;

private:
    bool json_;
};

}  // namespace kubmon
