#pragma once
// Pauses that keep the event loop turning: a nested event loop that ends on a timer.

#include "common/event_pause.h"

namespace kub {

class QtEventPause final : public EventPause {
public:
    void processEvents() override;
    void pauseMs(int ms) override;
};

}  // namespace kub
