#pragma once
// What the headless monitor says on stderr about faults: one German line when a fault
// begins and one when it is over, never a line per failed write, so a log of months
// stays readable and a read-only disk does not flood the journal.

#include <functional>
#include <set>
#include <string>

namespace kubmon {

class FaultLines {
public:
    explicit FaultLines(std::function<void(const std::string&)> print) : print_(std::move(print)) {}

    // Says `line` when the fault `kind` is not already known; false when it was.
    bool begin(const std::string& kind, const std::string& line);
    // Says `line` when the fault `kind` was known and forgets it.
    bool end(const std::string& kind, const std::string& line);
    // Forgets the fault `kind` without a word (its end is said otherwise).
    void forget(const std::string& kind) { active_.erase(kind); }
    bool active(const std::string& kind) const { return active_.count(kind) > 0; }
    // A line that is not a fault (start, stop, recovery of something without a kind).
    void say(const std::string& line) { print_(line); }

private:
    std::function<void(const std::string&)> print_;
    std::set<std::string> active_;
};

}  // namespace kubmon
