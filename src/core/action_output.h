#pragma once
// The action program's share of every reception: started with the reception's kind and
// identifiers as quoted arguments. FMS only for a vehicle of the table that reports a
// status below 10 itself; every ZVEI and POCSAG reception; tone calls never.

#include "core/reception_output.h"

namespace kub {

struct ReceptionContext;

class ActionOutput final : public ReceptionOutput {
public:
    explicit ActionOutput(ReceptionContext& context) : context_(context) {}
    void deliver(const ReceptionRecord& record) override;

private:
    ReceptionContext& context_;
};

}  // namespace kub
