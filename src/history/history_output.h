#pragma once
// The history's share of every reception: the record goes into a bounded queue (in count
// and in bytes) and a writer thread of its own writes what waits in one transaction, so
// the decoding never waits on the disk or the network. When the queue is full the oldest
// records go first, and that is said once. A store that cannot be written (a full disk, a
// locked or damaged file, a server gone away) is said once; the records wait in the queue
// and writing is tried again after a pause that grows, until it works again (said too).
// At the end what waits is written, for at most a grace time.
//
// Threads: deliver() and stop() on the decoding (owner's) thread; everything else of the
// store on the writer thread. The notice callback is called on the writer thread.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "common/clock.h"
#include "core/reception_output.h"
#include "history/history_store.h"

namespace kub {

struct HistoryOutputOptions {
    std::size_t maxRecords = 100000;
    std::size_t maxBytes = 64u << 20;
    // Records per transaction.
    std::size_t batch = 1000;
    double firstPauseSeconds = 1;
    double longestPauseSeconds = 60;
    // Records older than this many days are deleted at the start and once a day; 0 keeps
    // them for ever.
    int retentionDays = 0;
    // When not empty: the day logs of this program folder are read in before anything
    // else (the first start, when there was no history yet).
    std::string importFolder;
};

class HistoryOutput final : public ReceptionOutput {
public:
    // `recovered` (when given) follows the notice that the store is written again: the
    // window takes its red line away then.
    HistoryOutput(HistoryStore& store, const Clock& clock, HistoryOutputOptions options,
                  std::function<void(const std::string&)> notice, std::function<void()> recovered = {});
    ~HistoryOutput() override;
    HistoryOutput(const HistoryOutput&) = delete;
    HistoryOutput& operator=(const HistoryOutput&) = delete;

    void start();
    void deliver(const ReceptionRecord& record) override;
    // Writes what waits for at most `graceSeconds`, then ends the writer thread. What is
    // still not written then is said.
    void stop(double graceSeconds = 5.0);

    // Records waiting, for tests and the benchmark.
    std::size_t waiting() const;
    // Records written since the start (import not counted).
    std::uint64_t written() const;

    // Bytes a record is counted with against maxBytes.
    static std::size_t recordBytes(const ReceptionRecord& record);

private:
    // Records are queued behind a pointer so that the lock the decoding thread takes is
    // only ever held for pointer work: copying a batch of records out, or freeing the
    // written ones, happens outside it.
    struct Waiting {
        std::uint64_t seq;
        std::size_t bytes;
        std::shared_ptr<const ReceptionRecord> record;
    };

    void run();
    void say(const std::string& line);
    bool pause(std::unique_lock<std::mutex>& lock, double seconds);
    void keepRetention();
    void faultOnce(const std::string& why);
    void recovered();

    HistoryStore& store_;
    const Clock& clock_;
    const HistoryOutputOptions o_;
    std::function<void(const std::string&)> notice_;
    std::function<void()> recovered_;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Waiting> queue_;
    std::size_t bytes_ = 0;
    std::uint64_t nextSeq_ = 0;
    std::uint64_t dropped_ = 0;  // since the queue last ran empty
    bool dropSaid_ = false;
    bool ending_ = false;
    std::uint64_t written_ = 0;

    // Writer thread only.
    bool open_ = false;
    bool faulty_ = false;
    double nextRetention_ = 0;
};

}  // namespace kub
