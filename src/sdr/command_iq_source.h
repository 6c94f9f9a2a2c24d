#pragma once
// IQ from a child process whose stdout is cu8 ("cmd:rtl_sdr -f 172600000 -s 1024000 -").
// A stick pulled out, a driver that lost the USB device or a hung tool all look alike
// from here: the child ends or stops writing. Either way it is ended and started again
// after a pause that doubles from 1 s up to 30 s (a stick that fails at once is not
// hammered), said once per restart with the last line the child wrote to stderr, which
// usually names the cause ("usb_claim_interface error -6"). The pause starts at 1 s again
// once a child has delivered for a minute.

#include <sys/types.h>

#include <functional>
#include <string>

#include "common/clock.h"
#include "sdr/iq_source.h"
#include "sdr/stop_pipe.h"

namespace kub {

class CommandIqSource final : public IqSource {
public:
    struct Timing {
        double stallSeconds = 5;
        double firstPauseSeconds = 1;
        double longestPauseSeconds = 30;
        double steadySeconds = 60;
    };
    // `command` runs under /bin/sh in a process group of its own (a pipeline in it ends
    // with it). `say` is called on the reader thread, one German line each.
    CommandIqSource(std::string command, const Clock& clock, std::function<void(const std::string&)> say,
                    Timing timing);
    CommandIqSource(std::string command, const Clock& clock, std::function<void(const std::string&)> say)
        : CommandIqSource(std::move(command), clock, std::move(say), Timing{}) {}
    ~CommandIqSource() override;
    CommandIqSource(const CommandIqSource&) = delete;
    CommandIqSource& operator=(const CommandIqSource&) = delete;

    std::size_t read(std::span<std::uint8_t> into) override;
    void stop() override { stop_.stop(); }
    IqFormat format() const override { return IqFormat::Cu8; }

private:
    bool spawn();
    // Ends the child (if it still runs), says why with its last stderr line and waits the
    // pause; false when a stop came meanwhile.
    bool restartAfter(const std::string& why);
    void endChild();
    void takeStderr();
    void closePipes();

    const std::string command_;
    const Clock& clock_;
    const std::function<void(const std::string&)> say_;
    const Timing timing_;
    StopPipe stop_;
    // Reader thread only.
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    int exitCode_ = -1;  // of the child just ended; -1: ended by a signal
    std::string partialLine_;
    std::string lastLine_;
    double startedAt_ = 0;
    double lastDataAt_ = 0;
    double pause_;
};

}  // namespace kub
