#pragma once
// Where the monitor keeps its data files, and the lock that keeps two monitors from
// working on the same files. The lock is per folder: a second receiver set-up runs from
// a folder of its own. The window and the headless tool take the same lock.

#include <string>

namespace kub {

// The folder of the running executable when it can be written there and is not a system
// folder (/usr/..., /bin, /sbin: an installed package); otherwise a
// per-user folder ($XDG_DATA_HOME/KUB-Monitor, else ~/.local/share/KUB-Monitor), made
// when missing. Empty when neither works.
std::string defaultProgramFolder();

// Makes a missing folder (and missing folders above it) for our data: the folder itself
// gets 0700 whatever the umask, as it will hold what the radio carries (names, addresses,
// pager texts) and the FTP password. A folder that exists is left as it is. False when
// there is no folder at `path` afterwards.
bool makePrivateFolder(const std::string& path);

// Held for as long as the object lives; the system drops it when the process ends, so a
// crashed monitor never blocks the next start.
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    enum class Result { Acquired, HeldByOther, Unavailable };
    // Unavailable: the lock file cannot be made (a folder that cannot be written); such
    // a folder holds nothing two monitors could spoil, so the caller may go on without.
    Result acquire(const std::string& programFolder);
    bool held() const { return fd_ >= 0; }
    void release();

private:
    int fd_ = -1;
};

// The lock file's name inside the program folder.
constexpr const char* kLockFileName = "KUB-Monitor.lock";

}  // namespace kub
