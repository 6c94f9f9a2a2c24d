#include "sdr/iq_pump.h"

#include <algorithm>

namespace kub {

namespace {
// About 16 ms of a 2.4 MS/s cu8 stream per chunk: small enough for a steady pace,
// large enough that the queue's bookkeeping does not count.
constexpr std::size_t kChunkBytes = 65536;
}  // namespace

IqPump::IqPump(std::unique_ptr<IqSource> source, IqQueue& queue, std::function<void(const std::string&)> say,
                   std::function<void()> wake)
    : source_(std::move(source)), queue_(queue), say_(std::move(say)), wake_(std::move(wake)),
      format_(source_->format()) {}

IqPump::~IqPump() { stop(); }

void IqPump::start() { thread_ = std::thread([this] { run(); }); }

void IqPump::stop() {
    source_->stop();
    if (thread_.joinable()) thread_.join();
}

void IqPump::run() {
    const std::size_t pair = iqPairBytes(format_);
    IqChunk buffer(kChunkBytes);
    std::size_t have = 0;
    for (;;) {
        const std::size_t n = source_->read(std::span(buffer).subspan(have));
        if (n == 0) break;
        have += n;
        const std::size_t whole = have - have % pair;
        if (whole == 0) continue;
        IqChunk chunk(buffer.begin(), buffer.begin() + static_cast<long>(whole));
        std::copy(buffer.begin() + static_cast<long>(whole), buffer.begin() + static_cast<long>(have), buffer.begin());
        have -= whole;
        if (queue_.push(std::move(chunk), pair))
            say_("Die Dekodierung kommt nicht nach: die ältesten IQ-Daten werden verworfen "
                 "(weniger Kanäle oder ein schnellerer Rechner helfen).");
        wake_();
    }
    queue_.close();
    wake_();
}

}  // namespace kub
