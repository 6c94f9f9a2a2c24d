#pragma once
// The export line of every reception (tone calls have none) to the TCP export and the
// local message export, each when it is switched on.

#include "core/reception_output.h"

namespace kub {

struct ReceptionContext;

class ExportLineOutput final : public ReceptionOutput {
public:
    explicit ExportLineOutput(ReceptionContext& context) : context_(context) {}
    void deliver(const ReceptionRecord& record) override;

private:
    ReceptionContext& context_;
};

}  // namespace kub
