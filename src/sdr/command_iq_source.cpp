#include "sdr/command_iq_source.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

extern char** environ;

namespace kub {

namespace {

constexpr std::size_t kLongestLine = 300;
constexpr int kLongestPollMs = 250;
// A child that ignores SIGTERM gets SIGKILL after this long.
constexpr int kTermGraceMs = 1000;
constexpr int kReapStepMs = 20;

std::string secondsText(double s) { return std::to_string(static_cast<long>(std::lround(s))) + " s"; }

}  // namespace

CommandIqSource::CommandIqSource(std::string command, const Clock& clock,
                                 std::function<void(const std::string&)> say, Timing timing)
    : command_(std::move(command)), clock_(clock), say_(std::move(say)), timing_(timing),
      pause_(timing.firstPauseSeconds) {}

CommandIqSource::~CommandIqSource() {
    endChild();
    closePipes();
}

bool CommandIqSource::spawn() {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return false;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::string sh = "/bin/sh";
    std::string dashC = "-c";
    std::string command = command_;
    char* argv[] = {sh.data(), dashC.data(), command.data(), nullptr};
    const int rc = ::posix_spawn(&pid_, sh.c_str(), &actions, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(out[1]);
    ::close(err[1]);
    if (rc != 0) {
        pid_ = -1;
        ::close(out[0]);
        ::close(err[0]);
        lastLine_ = std::strerror(rc);
        return false;
    }
    out_ = out[0];
    err_ = err[0];
    ::fcntl(err_, F_SETFL, O_NONBLOCK);
    startedAt_ = lastDataAt_ = clock_.nowSeconds();
    lastLine_.clear();
    partialLine_.clear();
    return true;
}

void CommandIqSource::takeStderr() {
    char buf[1024];
    for (;;) {
        const ssize_t n = ::read(err_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) {
                ::close(err_);
                err_ = -1;
            }
            break;
        }
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buf[i];
            if (c == '\n' || c == '\r') {
                if (!partialLine_.empty()) lastLine_ = partialLine_;
                partialLine_.clear();
            } else if (partialLine_.size() < kLongestLine) {
                partialLine_ += c;
            }
        }
    }
    if (!partialLine_.empty()) lastLine_ = partialLine_;
}

void CommandIqSource::endChild() {
    if (pid_ <= 0) return;
    int status = 0;
    pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == 0) {
        // The whole group: `sh -c` may have started the tool as a child of its own.
        ::kill(-pid_, SIGTERM);
        for (int waited = 0; done == 0 && waited < kTermGraceMs; waited += kReapStepMs) {
            stop_.pause(kReapStepMs);
            done = ::waitpid(pid_, &status, WNOHANG);
        }
        if (done == 0) {
            ::kill(-pid_, SIGKILL);
            done = ::waitpid(pid_, &status, 0);
        }
    }
    exitCode_ = done == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
}

void CommandIqSource::closePipes() {
    if (err_ >= 0) {
        takeStderr();
        if (err_ >= 0) ::close(err_);
    }
    if (out_ >= 0) ::close(out_);
    out_ = err_ = -1;
}

bool CommandIqSource::restartAfter(const std::string& why) {
    endChild();
    closePipes();
    if (lastDataAt_ - startedAt_ >= timing_.steadySeconds) pause_ = timing_.firstPauseSeconds;
    std::string line = "IQ-Quelle \"cmd:" + command_ + "\" " + why;
    if (!lastLine_.empty()) line += "; letzte Meldung: \"" + lastLine_ + "\"";
    say_(line + ". Neustart in " + secondsText(pause_) + ".");
    const bool stopped = stop_.pause(static_cast<int>(pause_ * 1000));
    pause_ = std::min(pause_ * 2, timing_.longestPauseSeconds);
    return !stopped;
}

std::size_t CommandIqSource::read(std::span<std::uint8_t> into) {
    for (;;) {
        if (stop_.stopped()) return 0;
        if (pid_ < 0 && !spawn()) {
            if (!restartAfter("nicht startbar")) return 0;
            continue;
        }
        const double quiet = clock_.nowSeconds() - lastDataAt_;
        if (quiet >= timing_.stallSeconds) {
            if (!restartAfter("liefert seit " + secondsText(timing_.stallSeconds) + " keine Daten")) return 0;
            continue;
        }
        const int waitMs = std::clamp(static_cast<int>((timing_.stallSeconds - quiet) * 1000) + 1, 1, kLongestPollMs);
        // Short polls: the stall is measured on the injected clock, and a stop is seen
        // within one of them.
        pollfd p[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        const int n = ::poll(p, 2, waitMs);
        if (n < 0 && errno != EINTR) return 0;
        if (n <= 0) continue;
        if (err_ >= 0 && (p[1].revents & (POLLIN | POLLHUP))) takeStderr();
        if (!(p[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t got = ::read(out_, into.data(), into.size());
        if (got < 0 && errno == EINTR) continue;
        if (got > 0) {
            lastDataAt_ = clock_.nowSeconds();
            return static_cast<std::size_t>(got);
        }
        endChild();
        const std::string how =
            exitCode_ >= 0 ? "ist beendet (Exit-Code " + std::to_string(exitCode_) + ")" : "ist abgebrochen";
        if (!restartAfter(how)) return 0;
    }
}

}  // namespace kub
