#pragma once
// Pauses that let the event loop run but do not wait: the tests need the behaviour, not
// the seconds. Remembers what was asked.

#include <QCoreApplication>
#include <vector>

#include "common/event_pause.h"

namespace kubtest {

class NoWaitPause final : public kub::EventPause {
public:
    void processEvents() override { QCoreApplication::processEvents(); }
    void pauseMs(int ms) override {
        pauses.push_back(ms);
        QCoreApplication::processEvents();
    }
    std::vector<int> pauses;
};

}  // namespace kubtest
