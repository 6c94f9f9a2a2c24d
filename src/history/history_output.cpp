#include "history/history_output.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "history/day_log_import.h"

namespace kub {

namespace {

constexpr double kDaySeconds = 86400;
// How often the writer looks for records (and at the clock, for the daily deletion).
constexpr double kLookSeconds = 0.1;

std::size_t textBytes(const std::vector<std::string>& v) {
    std::size_t n = 0;
    for (const auto& s : v) n += sizeof s + s.size();
    return n;
}

}  // namespace

HistoryOutput::HistoryOutput(HistoryStore& store, const Clock& clock, HistoryOutputOptions options,
                             std::function<void(const std::string&)> notice, std::function<void()> recovered)
    : store_(store),
      clock_(clock),
      o_(std::move(options)),
      notice_(std::move(notice)),
      recovered_(std::move(recovered)) {}

HistoryOutput::~HistoryOutput() { stop(0); }

std::size_t HistoryOutput::recordBytes(const ReceptionRecord& r) {
    std::size_t n = sizeof r + r.time.size() + r.channel.size() + r.line.size() + r.row.size() + r.kennung.size() +
                    r.vehicle.size() + r.info.size() + r.text.size() + r.code.size() + r.name.size() + r.ric.size() +
                    r.tone.size() + r.site.size() + textBytes(r.channels) + textBytes(r.sites);
    for (const auto& e : r.einheiten) n += sizeof e + e.ric.size() + e.code.size() + e.name.size();
    for (const auto& [k, v] : r.felder) n += 2 * sizeof k + k.size() + v.size();
    return n;
}

void HistoryOutput::start() {
    if (thread_.joinable()) return;
    thread_ = std::thread([this] { run(); });
}

void HistoryOutput::deliver(const ReceptionRecord& record) {
    const std::size_t bytes = recordBytes(record);
    auto copy = std::make_shared<const ReceptionRecord>(record);
    std::vector<std::shared_ptr<const ReceptionRecord>> gone;  // freed after the lock
    {
        // The writer is never woken from here: it looks at the queue on its own. A wake-up
        // let the kernel run the writer on this core at once, and on a busy machine the
        // decoding thread then waited milliseconds for its turn again.
        std::lock_guard lock(mutex_);
        if (ending_) return;
        queue_.push_back({nextSeq_++, bytes, std::move(copy)});
        bytes_ += bytes;
        while (queue_.size() > 1 && (queue_.size() > o_.maxRecords || bytes_ > o_.maxBytes)) {
            bytes_ -= queue_.front().bytes;
            gone.push_back(std::move(queue_.front().record));
            queue_.pop_front();
            ++dropped_;
        }
    }
}

void HistoryOutput::stop(double graceSeconds) {
    {
        std::lock_guard lock(mutex_);
        if (ending_ && !thread_.joinable()) return;
        ending_ = true;
    }
    wake_.notify_one();
    if (!thread_.joinable()) return;
    // The writer writes what waits while it can; after the grace time it is told to give up.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(graceSeconds);
    {
        std::unique_lock lock(mutex_);
        wake_.wait_until(lock, deadline, [this] { return queue_.empty(); });
        if (!queue_.empty()) {
            say("Verlauf: " + std::to_string(queue_.size()) + " Empfänge beim Beenden nicht gespeichert (" +
                store_.name() + ").");
            queue_.clear();
            bytes_ = 0;
        }
    }
    wake_.notify_all();
    thread_.join();
}

std::size_t HistoryOutput::waiting() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

std::uint64_t HistoryOutput::written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

void HistoryOutput::say(const std::string& line) {
    if (notice_) notice_(line);
}

bool HistoryOutput::pause(std::unique_lock<std::mutex>& lock, double seconds) {
    // Woken early only by the end: new records do not shorten a pause after a fault.
    return !wake_.wait_for(lock, std::chrono::duration<double>(seconds),
                           [this] { return ending_ && queue_.empty(); });
}

void HistoryOutput::faultOnce(const std::string& why) {
    if (!faulty_) say(why + " – Empfänge werden weiter dekodiert und protokolliert; neuer Versuch läuft.");
    faulty_ = true;
}

void HistoryOutput::recovered() {
    if (!faulty_) return;
    say("Verlauf wird wieder geschrieben (" + store_.name() + ").");
    if (recovered_) recovered_();
    faulty_ = false;
}

void HistoryOutput::keepRetention() {
    if (o_.retentionDays <= 0) return;
    const double now = clock_.nowSeconds();
    if (now < nextRetention_) return;
    const std::string why = store_.removeBefore(now - o_.retentionDays * kDaySeconds);
    // A failed deletion is tried again with the next batch, not a day later.
    if (why.empty()) nextRetention_ = now + kDaySeconds;
}

void HistoryOutput::run() {
    double pauseSeconds = o_.firstPauseSeconds;
    bool imported = o_.importFolder.empty();
    std::unique_lock lock(mutex_);
    for (;;) {
        if (dropped_ > 0 && !dropSaid_) {
            dropSaid_ = true;
            lock.unlock();
            say("Verlauf: Warteschlange voll, die ältesten Empfänge werden nicht gespeichert (" + store_.name() + ").");
            lock.lock();
        }
        if (ending_ && queue_.empty()) break;
        if (!open_) {
            lock.unlock();
            const std::string why = store_.open();
            const std::string remark = store_.takeRemark();
            if (!remark.empty()) say(remark);
            if (!why.empty()) faultOnce(why);
            lock.lock();
            if (!why.empty()) {
                if (!pause(lock, pauseSeconds)) break;
                pauseSeconds = std::min(pauseSeconds * 2, o_.longestPauseSeconds);
                continue;
            }
            open_ = true;
        }
        if (!imported) {
            lock.unlock();
            const DayLogImport result = importDayLogs(o_.importFolder, store_);
            lock.lock();
            if (result.error.empty()) {
                imported = true;
                if (result.records > 0)
                    say("Verlauf: " + std::to_string(result.records) + " Empfänge aus " + std::to_string(result.files) +
                        " Tagesprotokollen übernommen.");
            } else {
                open_ = false;
                lock.unlock();
                store_.close();
                faultOnce(result.error);
                lock.lock();
                if (!pause(lock, pauseSeconds)) break;
                pauseSeconds = std::min(pauseSeconds * 2, o_.longestPauseSeconds);
                continue;
            }
        }
        if (queue_.empty()) {
            lock.unlock();
            keepRetention();
            lock.lock();
            // Woken early only by the end. What comes in a burst (an alarm's pages, its
            // incident) is found together and goes in one transaction.
            wake_.wait_for(lock, std::chrono::duration<double>(kLookSeconds), [this] { return ending_; });
            continue;
        }
        const std::size_t n = std::min(queue_.size(), o_.batch);
        std::vector<std::shared_ptr<const ReceptionRecord>> taken;
        taken.reserve(n);
        for (std::size_t i = 0; i < n; ++i) taken.push_back(queue_[i].record);
        const std::uint64_t last = queue_[n - 1].seq;
        lock.unlock();
        std::vector<ReceptionRecord> batch;
        batch.reserve(n);
        for (const auto& r : taken) batch.push_back(*r);
        const std::string why = store_.write(batch);
        batch = {};
        if (why.empty()) keepRetention();
        lock.lock();
        if (why.empty()) {
            // Records dropped meanwhile were older than these; what was written goes (and
            // is freed with `taken`, after the lock).
            while (!queue_.empty() && queue_.front().seq <= last) {
                bytes_ -= queue_.front().bytes;
                queue_.pop_front();
            }
            written_ += n;
            pauseSeconds = o_.firstPauseSeconds;
            const bool drained = queue_.empty();
            const std::uint64_t lost = drained && dropSaid_ ? std::exchange(dropped_, 0) : 0;
            if (drained) dropSaid_ = false;
            if (faulty_ || lost > 0) {
                lock.unlock();
                recovered();
                if (lost > 0)
                    say("Verlauf: " + std::to_string(lost) + " Empfänge nicht gespeichert, weil die Warteschlange voll war.");
                lock.lock();
            }
            if (drained) wake_.notify_all();
            lock.unlock();
            taken = {};
            lock.lock();
            continue;
        }
        // The connection or file is taken anew after the pause: a server that went away,
        // a damaged file set aside.
        open_ = false;
        lock.unlock();
        store_.close();
        faultOnce(why);
        lock.lock();
        if (!pause(lock, pauseSeconds)) break;
        pauseSeconds = std::min(pauseSeconds * 2, o_.longestPauseSeconds);
    }
    lock.unlock();
    store_.close();
}

}  // namespace kub
