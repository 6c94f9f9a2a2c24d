#pragma once
// The stored receptions in memory, searched as the stores search them: every filter of
// HistoryQuery, newest first unless oldestFirst (equal times in the order they were
// added), then offset and limit. For tests of what reads the history.

#include <mutex>
#include <vector>

#include "history/history_source.h"

namespace kubtest {

class MemoryHistory final : public kub::HistorySource {
public:
    void add(const kub::ReceptionRecord& record);
    std::vector<kub::ReceptionRecord> search(const kub::HistoryQuery& query) override;
    std::size_t searches() const;

private:
    mutable std::mutex mutex_;
    std::vector<kub::ReceptionRecord> records_;  // by time, then as added
    std::size_t searches_ = 0;
};

}  // namespace kubtest
