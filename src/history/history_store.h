#pragma once
// A place the reception history is kept: "Verlauf.sqlite" in the program folder, or a
// district's PostgreSQL. Both keep the same table and answer the same searches; only the
// history's writer thread writes, searches may come from any thread.

#include <string>
#include <vector>

#include "history/history_source.h"

namespace kub {

class HistoryStore : public HistorySource {
public:
    // Opens (connects, makes the table when missing). Empty when open, otherwise why not
    // (German). Called again after a fault; an open store stays open.
    virtual std::string open() = 0;
    virtual void close() = 0;
    // Something the last open did that the operator should know (a damaged file set
    // aside); empty when nothing.
    virtual std::string takeRemark() { return {}; }
    // Writes the records in one transaction. The same reception written twice (a day log
    // imported again, a batch repeated after a fault) is kept once. Empty when written,
    // otherwise why not (German); then nothing of the batch is written.
    virtual std::string write(const std::vector<ReceptionRecord>& records) = 0;
    // Deletes what was received before `seconds`. Empty when done, otherwise why not.
    virtual std::string removeBefore(double seconds) = 0;
    // The records of the query into `out`; empty when done, otherwise why not.
    virtual std::string find(const HistoryQuery& query, std::vector<ReceptionRecord>& out) = 0;
    // How the store is named in messages ("Verlauf.sqlite", "PostgreSQL host:port/db").
    virtual std::string name() const = 0;

    std::vector<ReceptionRecord> search(const HistoryQuery& query) override {
        std::vector<ReceptionRecord> out;
        find(query, out);
        return out;
    }
};

}  // namespace kub
