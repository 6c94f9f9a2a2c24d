#pragma once
// Something a reception is handed to. Outputs are called on the decoding thread, one
// after another, for every record: an output that may block (a network peer, a program)
// must hand the record to a bounded queue of its own and return at once.

#include "core/reception_record.h"

namespace kub {

class ReceptionOutput {
public:
    virtual ~ReceptionOutput() = default;
    virtual void deliver(const ReceptionRecord& record) = 0;
};

}  // namespace kub
