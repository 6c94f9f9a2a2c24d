#pragma once
// Waiting without freezing: everything runs on one thread, so whoever waits (the export
// pause after each line, the FTP upload) must keep the event loop turning meanwhile, or
// capture blocks would pile up and the window would stop answering.

namespace kub {

class EventPause {
public:
    virtual ~EventPause() = default;
    // Runs whatever events are pending, then returns.
    virtual void processEvents() = 0;
    // Returns after `ms` milliseconds, having handled events all the while.
    virtual void pauseMs(int ms) = 0;
};

}  // namespace kub
