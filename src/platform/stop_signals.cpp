#include "platform/stop_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace kub {

namespace {

int pipeFds[2] = {-1, -1};

void handler(int signal) {
    const unsigned char b = static_cast<unsigned char>(signal);
    // Nothing more is allowed in a signal handler; a full pipe already says "stop".
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &b, 1);
}

}  // namespace

bool onStopSignals(std::function<void(int)> onStop) {
    if (pipeFds[0] >= 0) return false;
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    auto* notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [stop = std::move(onStop)] {
        unsigned char b = 0;
        while (::read(pipeFds[0], &b, 1) == 1)
            if (stop) stop(b);
    });
    struct sigaction sa {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &sa, nullptr) == 0 && ::sigaction(SIGTERM, &sa, nullptr) == 0;
}

}  // namespace kub
