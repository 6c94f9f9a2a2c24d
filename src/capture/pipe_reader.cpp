#include "capture/pipe_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace kub {

namespace {
constexpr std::size_t kReadBytes = 16384;
}  // namespace

std::string pipeInputProblem(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return errno == EBADF ? "Standardeingabe ist geschlossen; es gibt keine Rohdaten zu lesen."
                              : "Standardeingabe nicht lesbar (Fehler Nr. " + std::to_string(errno) + ").";
    if (S_ISDIR(st.st_mode)) return "Standardeingabe ist ein Ordner, keine Rohdaten.";
    if ((::fcntl(fd, F_GETFL) & O_ACCMODE) == O_WRONLY) return "Standardeingabe ist nur zum Schreiben geöffnet.";
    return {};
}

bool PipeReader::fill() {
    if (ended_) return false;
    std::uint8_t buf[kReadBytes];
    ssize_t n = 0;
    do {
        n = ::read(fd_, buf, sizeof buf);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && errno != EPIPE) error_ = errno;
    if (n <= 0) {
        // End of input or a broken pipe: what the converter still holds, then the end.
        converter_.finish(frames_);
        ended_ = true;
        return false;
    }
    bytes_ += n;
    converter_.push(buf, static_cast<std::size_t>(n), frames_);
    return true;
}

std::size_t PipeReader::read(std::int16_t* stereo, std::size_t frames) {
    std::size_t done = 0;
    while (done < frames) {
        if (taken_ == frames_.size()) {
            frames_.clear();
            taken_ = 0;
            if (ended_ || (!fill() && frames_.empty())) break;
            continue;
        }
        const std::size_t n = std::min(frames - done, (frames_.size() - taken_) / 2);
        std::copy_n(frames_.begin() + static_cast<long>(taken_), 2 * n, stereo + 2 * done);
        taken_ += 2 * n;
        done += n;
    }
    return done;
}

}  // namespace kub
