#include "sdr/stop_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace kub {

StopPipe::StopPipe() {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) fds_[0] = fds_[1] = -1;
}

StopPipe::~StopPipe() {
    for (int fd : fds_)
        if (fd >= 0) ::close(fd);
}

void StopPipe::stop() {
    const char one = 1;
    // Full means a stop is already waiting to be seen.
    if (fds_[1] >= 0) (void)!::write(fds_[1], &one, 1);
}

bool StopPipe::stopped() const {
    pollfd p{fds_[0], POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

bool StopPipe::waitReadable(int fd, int timeoutMs) const {
    pollfd p[2] = {{fds_[0], POLLIN, 0}, {fd, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(p, 2, timeoutMs);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || (p[0].revents & POLLIN)) return false;
        return (p[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    }
}

bool StopPipe::pause(int timeoutMs) const {
    pollfd p{fds_[0], POLLIN, 0};
    for (;;) {
        const int n = ::poll(&p, 1, timeoutMs);
        if (n < 0 && errno == EINTR) continue;
        return n > 0;
    }
}

}  // namespace kub
