#include "common/program_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kub {

namespace {

bool writableFolder(const std::filesystem::path& p) {
    return !p.empty() && ::access(p.c_str(), W_OK) == 0;
}

}  // namespace

bool makePrivateFolder(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    const std::filesystem::path p(path);
    if (std::filesystem::is_directory(p, ec)) return true;
    if (p.has_parent_path() && p.parent_path() != p) std::filesystem::create_directories(p.parent_path(), ec);
    // Set again after making: the umask may have taken the owner's own rights.
    if (::mkdir(p.c_str(), 0700) == 0) ::chmod(p.c_str(), 0700);
    return std::filesystem::is_directory(p, ec);
}

std::string defaultProgramFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    // An installed program (the package puts it in /usr/bin) keeps no data beside itself,
    // not even when root could write there.
    const std::string dir = exe.parent_path().string();
    const bool installed = dir.rfind("/usr/", 0) == 0 || dir == "/bin" || dir == "/sbin";
    if (!ec && !installed && writableFolder(exe.parent_path())) return dir;

    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".local" / "share";
    } else {
        return {};
    }
    const std::filesystem::path folder = base / "KUB-Monitor";
    makePrivateFolder(folder.string());
    return writableFolder(folder) ? folder.string() : std::string();
}

FolderLock::~FolderLock() { release(); }

namespace {

// The lock file, opened without following a link. It stays in the folder between runs
// (the lock is on the open file, not on its being there), so an existing one is opened as
// it is; a missing one is made exclusively with the owner's rights alone. A link in its
// place is removed, never opened: it could make us create or lock any file it names.
int openLockFile(const std::string& path) {
    constexpr int kTries = 3;  // another monitor may make or replace it at the same moment
    for (int i = 0; i < kTries; ++i) {
        const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) return fd;
        if (errno == ELOOP) {
            if (::unlink(path.c_str()) != 0 && errno != ENOENT) return -1;
            continue;
        }
        if (errno != ENOENT) break;
        const int made = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (made >= 0) {
            ::fchmod(made, 0600);
            return made;
        }
        if (errno != EEXIST) return -1;
    }
    // A folder that cannot be written may still hold the lock file of an earlier run.
    return ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

}  // namespace

FolderLock::Result FolderLock::acquire(const std::string& programFolder) {
    release();
    const std::string path = (std::filesystem::path(programFolder) / kLockFileName).string();
    const int fd = openLockFile(path);
    if (fd < 0) return Result::Unavailable;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Result::Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return Result::HeldByOther;
    }
    fd_ = fd;
    return Result::Acquired;
}

void FolderLock::release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

}  // namespace kub
