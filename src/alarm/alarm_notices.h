#pragma once
// The German lines alarm delivery has to say, collected from every destination's thread
// until the owner's thread takes them. Bounded: lines beyond the bound are counted, and
// the count is said instead.

#include <cstddef>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace kub {

class AlarmNotices {
public:
    void say(std::string line) {
        std::lock_guard lock(mutex_);
        if (lines_.size() < kMost) {
            lines_.push_back(std::move(line));
        } else {
            ++lost_;
        }
    }
    std::vector<std::string> take() {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out = std::exchange(lines_, {});
        if (lost_ > 0) out.push_back("Alarmierung: " + std::to_string(std::exchange(lost_, 0)) + " weitere Hinweise ausgelassen.");
        return out;
    }

private:
    static constexpr std::size_t kMost = 200;
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::size_t lost_ = 0;
};

}  // namespace kub
