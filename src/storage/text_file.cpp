#include "storage/text_file.h"

#include <cerrno>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <mutex>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kub {

std::string readItem(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ') ++i;
    if (i < line.size() && line[i] == '"') {
        std::size_t end = line.find('"', i + 1);
        if (end == std::string_view::npos) return std::string(line.substr(i + 1));
        return std::string(line.substr(i + 1, end - i - 1));
    }
    std::size_t end = line.find(',', i);
    if (end == std::string_view::npos) end = line.size();
    return std::string(line.substr(i, end - i));
}

std::string itemLine(std::string line) {
    const bool needsQuotes = line.find(',') != std::string::npos ||
                             (!line.empty() && (line.front() == ' ' || line.front() == '"'));
    if (!needsQuotes) return line;
    for (char& c : line) {
        if (c == '"') c = '\'';
    }
    return "\"" + line + "\"";
}

long itemToNumber(std::string_view item) {
    std::size_t i = 0;
    while (i < item.size() && (item[i] == ' ' || item[i] == '\t')) ++i;
    bool negative = false;
    if (i < item.size() && (item[i] == '-' || item[i] == '+')) {
        negative = item[i] == '-';
        ++i;
    }
    long value = 0;
    bool any = false;
    while (i < item.size() && item[i] >= '0' && item[i] <= '9') {
        any = true;
        if (value > (LONG_MAX - 9) / 10) return 0;  // not a number we could have written
        value = value * 10 + (item[i] - '0');
        ++i;
    }
    if (!any) return 0;
    return negative ? -value : value;
}

short itemToShort(std::string_view item) {
    long v = itemToNumber(item);
    if (v > SHRT_MAX || v < SHRT_MIN) return 0;
    return static_cast<short>(v);
}

std::string numberLine(long value) {
    std::string digits = std::to_string(value);
    return value < 0 ? digits + " " : " " + digits + " ";
}

namespace {

constexpr std::size_t kKeptRefusals = 32;
constexpr std::size_t kRememberedRefusals = 1024;

std::mutex refusalsMutex;
std::vector<std::string> refusals;   // not yet taken
std::set<std::string> saidRefusals;  // path and reason, each said once

void noteRefused(const std::string& path, const std::string& why) {
    const std::lock_guard<std::mutex> hold(refusalsMutex);
    if (saidRefusals.size() >= kRememberedRefusals) saidRefusals.clear();
    if (!saidRefusals.insert(path + '\n' + why).second) return;
    if (refusals.size() < kKeptRefusals)
        refusals.push_back("Datei \"" + path + "\" nicht gelesen: " + why + "; es gelten die Vorgaben.");
}

std::string notRegularWhy(mode_t mode) {
    if (S_ISDIR(mode)) return "sie ist ein Ordner";
    if (S_ISFIFO(mode)) return "sie ist eine Pipe (FIFO), keine gewöhnliche Datei";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "sie ist ein Gerät, keine gewöhnliche Datei";
    if (S_ISSOCK(mode)) return "sie ist ein Socket, keine gewöhnliche Datei";
    return "sie ist keine gewöhnliche Datei";
}

std::string openFailedWhy(int error) {
    if (error == ELOOP) return "sie ist eine Verknüpfung (symbolischer Link); gelesen wird nur eine gewöhnliche Datei";
    if (error == EACCES || error == EPERM) return "keine Leserechte";
    return "Lesefehler Nr. " + std::to_string(error);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; false when the close reports an error (data that never reached the disk).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

}  // namespace

std::optional<std::string> readDataFile(const std::string& path, Oversize oversize) {
    // Non-blocking: a FIFO in the file's place must not hold the start-up until someone
    // writes into it; it is refused below like any other file that is no regular one.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno != ENOENT && errno != ENOTDIR) noteRefused(path, openFailedWhy(errno));
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        noteRefused(path, openFailedWhy(errno));
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        noteRefused(path, notRegularWhy(st.st_mode));
        return std::nullopt;
    }
    off_t from = 0;
    if (st.st_size > kMaxDataFileBytes) {
        if (oversize == Oversize::Refuse) {
            noteRefused(path, "sie ist mit " + std::to_string(st.st_size / (1024 * 1024)) +
                                  " MiB größer als die erlaubten 4 MiB");
            return std::nullopt;
        }
        from = static_cast<off_t>(st.st_size - kMaxDataFileBytes);
    }
    // One byte more than allowed tells a file that grew since fstat; a file that grows
    // while it is read gets room up to that, never more.
    const std::size_t most = static_cast<std::size_t>(kMaxDataFileBytes) + 1;
    std::string data(std::min(most, static_cast<std::size_t>(st.st_size - from) + 1), '\0');
    std::size_t got = 0;
    while (got < most) {
        if (got == data.size()) data.resize(std::min(most, 2 * data.size()));
        const ssize_t n = ::pread(fd.get(), data.data() + got, data.size() - got, from + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            noteRefused(path, openFailedWhy(errno));
            return std::nullopt;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (got > static_cast<std::size_t>(kMaxDataFileBytes)) {
        if (oversize == Oversize::Refuse) {
            noteRefused(path, "sie ist größer als die erlaubten 4 MiB");
            return std::nullopt;
        }
        got = static_cast<std::size_t>(kMaxDataFileBytes);
    }
    data.resize(got);
    if (from > 0) {
        // The cut lands inside a line: that line is not whole, so it is not shown.
        const std::size_t lineEnd = data.find('\n');
        data.erase(0, lineEnd == std::string::npos ? data.size() : lineEnd + 1);
    }
    return data;
}

std::vector<std::string> takeRefusedFiles() {
    const std::lock_guard<std::mutex> hold(refusalsMutex);
    std::vector<std::string> out;
    out.swap(refusals);
    return out;
}

std::optional<std::vector<std::string>> readTextLines(const std::string& path, Oversize oversize) {
    const auto data = readDataFile(path, oversize);
    if (!data) return std::nullopt;
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < data->size()) {
        std::size_t end = data->find('\n', start);
        std::size_t next = end == std::string::npos ? data->size() : end + 1;
        if (end == std::string::npos) end = data->size();
        std::size_t stop = end;
        if (stop > start && (*data)[stop - 1] == '\r') --stop;
        lines.push_back(cp1252ToUtf8(std::string_view(*data).substr(start, stop - start)));
        start = next;
    }
    return lines;
}

std::optional<std::vector<std::string>> readItemLines(const std::string& path) {
    auto lines = readTextLines(path);
    if (!lines) return std::nullopt;
    for (auto& l : *lines) l = readItem(l);
    return lines;
}

namespace {

mode_t modeOf(FileAccess access) { return access == FileAccess::Shared ? 0644 : 0600; }

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A new file of ours at `path`: whatever was there (a link, an old file) is removed first
// and the file is made exclusively, so no link planted in its place is followed and the
// rights are ours, not the umask's. With `durable` the bytes are on the disk, not only in
// the system's cache, when this returns: a file that is about to replace another must not
// turn out empty after a power cut.
bool writeFresh(const std::string& path, std::string_view bytes, bool durable, FileAccess access) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return false;
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, modeOf(access)));
    if (fd.get() < 0) return false;
    bool ok = ::fchmod(fd.get(), modeOf(access)) == 0 && writeAll(fd.get(), bytes);
    if (durable && ok) ok = ::fsync(fd.get()) == 0;
    return fd.close() && ok;
}

std::string fileBytes(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& l : lines) {
        bytes += utf8ToCp1252(l);
        bytes += "\r\n";
    }
    return bytes;
}

}  // namespace

bool writeTextLines(const std::string& path, const std::vector<std::string>& lines, FileAccess access) {
    return writeFresh(path, fileBytes(lines), false, access);
}

bool replaceFileBytes(const std::string& path, std::string_view bytes, FileAccess access) {
    const std::string fresh = path + ".neu";
    // rename() puts the file in the link's place; it never writes through a link.
    if (!writeFresh(fresh, bytes, true, access) || std::rename(fresh.c_str(), path.c_str()) != 0) {
        std::remove(fresh.c_str());
        return false;
    }
    return true;
}

bool replaceTextLines(const std::string& path, const std::vector<std::string>& lines, FileAccess access) {
    return replaceFileBytes(path, fileBytes(lines), access);
}

std::vector<std::string> splitTabs(std::string_view line) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        cells.emplace_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    return cells;
}

bool appendTextLine(const std::string& path, std::string_view line) {
    // Made here with the owner's rights alone, or opened as it is; never through a link,
    // and a FIFO without a reader is no day log to wait for.
    int made = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (made >= 0 && ::fchmod(made, 0600) != 0) {
        ::close(made);
        return false;
    }
    if (made < 0 && errno == EEXIST) made = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    Descriptor fd(made);
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::string bytes = utf8ToCp1252(line);
    bytes += "\r\n";
    const bool ok = writeAll(fd.get(), bytes);
    // A full disk may take part of the line: cut it off again, or the next line that
    // fits would be glued to the broken one and both would be lost to the reader.
    if (!ok) (void)::ftruncate(fd.get(), st.st_size);
    return fd.close() && ok;
}

bool fileExists(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

}  // namespace kub
