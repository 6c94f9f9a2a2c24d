#pragma once
// Local delivery of the window-message record: QLocalSocket, one connection per record.

#include "export/local_message_export.h"

namespace kub {

class QtLocalMessageSink final : public LocalMessageSink {
public:
    // A listener that neither accepts nor reads costs the monitor at most about this
    // long per record (twice: connecting, then writing); without a listener nothing waits.
    explicit QtLocalMessageSink(int timeoutMs = 250) : timeoutMs_(timeoutMs) {}
    void deliver(const std::string& socketName, const std::string& record) override;

private:
    int timeoutMs_;
};

}  // namespace kub
