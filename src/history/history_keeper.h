#pragma once
// The history as a monitor runs it: the store its settings name ("Verlauf.sqlite", or the
// PostgreSQL server of "Verlauf.toml" or of `--verlauf`), the output every record goes to,
// and the source the searches read. At the first start (no "Verlauf.sqlite" yet) the day
// logs of the folder are read in by the writer thread, while the decoding goes on.

#include <functional>
#include <memory>
#include <string>

#include "common/clock.h"
#include "history/history_output.h"
#include "history/history_store.h"

namespace kub {

// The store of a program folder: PostgreSQL when `postgresUrl` is given, otherwise the
// folder's "Verlauf.sqlite". Not opened yet.
std::unique_ptr<HistoryStore> historyStoreFor(const std::string& programFolder, const std::string& postgresUrl);

class HistoryKeeper {
public:
    // `postgresUrl`, when given, takes the place of the one in "Verlauf.toml". `notice`
    // is called on the writer thread (and here, for the settings' faults).
    HistoryKeeper(const std::string& programFolder, const Clock& clock, const std::string& postgresUrl,
                  std::function<void(const std::string&)> notice, std::function<void()> recovered = {});
    ~HistoryKeeper();
    HistoryKeeper(const HistoryKeeper&) = delete;
    HistoryKeeper& operator=(const HistoryKeeper&) = delete;

    ReceptionOutput& output() { return *output_; }
    HistorySource& source() { return *store_; }
    // Writes what waits (for a few seconds at most) and ends the writer thread. Take the
    // output out of the outputs first.
    void stop();

private:
    std::unique_ptr<HistoryStore> store_;
    std::unique_ptr<HistoryOutput> output_;
};

}  // namespace kub
