#pragma once
// The day logs' share of every reception: its row appended to today's FMS, ZVEI or
// POCSAG log. Tone calls are not logged. A row that cannot be written is told once per
// fault through the context; the reception goes on to the next output all the same.

#include "core/reception_output.h"

namespace kub {

struct ReceptionContext;

class DayLogOutput final : public ReceptionOutput {
public:
    explicit DayLogOutput(ReceptionContext& context) : context_(context) {}
    void deliver(const ReceptionRecord& record) override;

private:
    ReceptionContext& context_;
};

}  // namespace kub
