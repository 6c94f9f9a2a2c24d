#pragma once
// IQ from stdin ("-", cu8 as `rtl_sdr -` writes it) or from a recording: read as it comes;
// the end of the input is the end of the run.

#include <memory>
#include <string>

#include "sdr/iq_source.h"
#include "sdr/stop_pipe.h"

namespace kub {

class FdIqSource final : public IqSource {
public:
    // Takes `fd` over when `own` (closed at the end); stdin stays open.
    FdIqSource(int fd, bool own, IqFormat format) : fd_(fd), own_(own), format_(format) {}
    ~FdIqSource() override;
    FdIqSource(const FdIqSource&) = delete;
    FdIqSource& operator=(const FdIqSource&) = delete;

    // The recording at `path`; nullptr and a German reason in `error` when it cannot be opened.
    static std::unique_ptr<FdIqSource> openFile(const std::string& path, IqFormat format, std::string& error);

    std::size_t read(std::span<std::uint8_t> into) override;
    void stop() override { stop_.stop(); }
    IqFormat format() const override { return format_; }

private:
    int fd_;
    bool own_;
    IqFormat format_;
    StopPipe stop_;
};

}  // namespace kub
