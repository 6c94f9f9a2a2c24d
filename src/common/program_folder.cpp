#include "common/program_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

FolderLock::Result FolderLock::acquire(const std::string& programFolder) {
    release();
    const std::string path = (std::filesystem::path(programFolder) / kLockFileName).string();
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Result::Unavailable;
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
