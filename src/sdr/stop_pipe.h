#pragma once
// A pipe that wakes a thread waiting in poll() when another thread wants it to stop:
// waiting on a file descriptor and on the stop together, without a timeout loop.

namespace kub {

class StopPipe {
public:
    StopPipe();
    ~StopPipe();
    StopPipe(const StopPipe&) = delete;
    StopPipe& operator=(const StopPipe&) = delete;

    // From any thread, any number of times.
    void stop();
    bool stopped() const;

    // Waits until `fd` is readable (or hung up), the stop comes or `timeoutMs` pass
    // (-1: no limit). True when `fd` is readable and no stop came.
    bool waitReadable(int fd, int timeoutMs) const;
    // Waits `timeoutMs` unless the stop comes first; true when it came.
    bool pause(int timeoutMs) const;

private:
    int fds_[2] = {-1, -1};
};

}  // namespace kub
