#pragma once
// The window's share of every reception: the row on top of its table (with the name
// cell's colour for ZVEI and POCSAG), the alert lines of FMS statuses 0, 5 and 15 and
// of tone calls.

#include "core/reception_output.h"

namespace kub {

struct ReceptionContext;

class WindowOutput final : public ReceptionOutput {
public:
    explicit WindowOutput(ReceptionContext& context) : context_(context) {}
    void deliver(const ReceptionRecord& record) override;

private:
    ReceptionContext& context_;
};

}  // namespace kub
