#include "sdr/fd_iq_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace kub {

FdIqSource::~FdIqSource() {
    if (own_ && fd_ >= 0) ::close(fd_);
}

std::unique_ptr<FdIqSource> FdIqSource::openFile(const std::string& path, IqFormat format, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "IQ-Aufzeichnung \"" + path + "\" nicht lesbar: " + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<FdIqSource>(fd, true, format);
}

std::size_t FdIqSource::read(std::span<std::uint8_t> into) {
    for (;;) {
        if (!stop_.waitReadable(fd_, -1)) return 0;
        const ssize_t n = ::read(fd_, into.data(), into.size());
        if (n > 0) return static_cast<std::size_t>(n);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        return 0;
    }
}

}  // namespace kub
