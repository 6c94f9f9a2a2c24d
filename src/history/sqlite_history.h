#pragma once
// "Verlauf.sqlite" in the program folder: the reception history on this machine. Only its
// owner may read it (0600: names, addresses and pager texts); WAL, so the web board and
// `kubmon verlauf` read while the writer thread writes. A file that is no database (or a
// damaged one) is set aside beside it, never deleted, and a new one begun.

#include <mutex>
#include <string>

#include "history/history_store.h"

struct sqlite3;

namespace kub {

inline constexpr const char* kHistoryFileName = "Verlauf.sqlite";

class SqliteHistory final : public HistoryStore {
public:
    // `maxPages` > 0 caps the file (tests: a disk that is full).
    explicit SqliteHistory(std::string path, long maxPages = 0);
    ~SqliteHistory() override;
    SqliteHistory(const SqliteHistory&) = delete;
    SqliteHistory& operator=(const SqliteHistory&) = delete;

    // Makes the file and its table when missing.
    std::string open() override;
    void close() override;
    std::string takeRemark() override;
    // Takes effect at the next open (tests: the disk has room again).
    void setMaxPages(long maxPages);

    std::string write(const std::vector<ReceptionRecord>& records) override;
    std::string removeBefore(double seconds) override;
    std::string find(const HistoryQuery& query, std::vector<ReceptionRecord>& out) override;
    std::string name() const override { return path_; }

private:
    std::string openWriter();
    std::string problem(const char* what, int rc) const;

    const std::string path_;

    std::mutex writeMutex_;
    sqlite3* writer_ = nullptr;
    std::string remark_;
    long maxPages_;

    // Searches come from any thread, each on this connection in turn.
    std::mutex readMutex_;
    sqlite3* reader_ = nullptr;
};

}  // namespace kub
