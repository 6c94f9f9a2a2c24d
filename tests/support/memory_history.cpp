#include "support/memory_history.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace kubtest {

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// '*' matches any run of characters; letters without regard to case.
bool matches(const std::string& pattern, const std::string& text) {
    const std::string p = lower(pattern), t = lower(text);
    std::size_t pi = 0, ti = 0, star = std::string::npos, mark = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi] == t[ti]) {
            ++pi, ++ti;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++, mark = ti;
        } else if (star != std::string::npos) {
            pi = star + 1, ti = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::string w;
    for (char c : text + " ") {
        if (std::isalnum(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80) {
            w += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (!w.empty()) {
            out.push_back(w);
            w.clear();
        }
    }
    return out;
}

bool wanted(const kub::HistoryQuery& q, const kub::ReceptionRecord& r) {
    if (q.fromSeconds && r.seconds < *q.fromSeconds) return false;
    if (q.toSeconds && r.seconds >= *q.toSeconds) return false;
    if (q.protocol && r.protocol != *q.protocol) return false;
    if (!q.ric.empty() && r.ric != q.ric) return false;
    if (!q.kennung.empty() && !matches(q.kennung, r.kennung)) return false;
    if (!q.code.empty() && r.code != q.code) return false;
    if (!q.channel.empty() && r.channel != q.channel) return false;
    if (!q.site.empty() && r.site != q.site) return false;
    const std::vector<std::string> have = words(r.text);
    for (const std::string& w : words(q.words))
        if (std::find(have.begin(), have.end(), w) == have.end()) return false;
    return true;
}

}  // namespace

void MemoryHistory::add(const kub::ReceptionRecord& record) {
    std::lock_guard lock(mutex_);
    const auto at = std::upper_bound(records_.begin(), records_.end(), record.seconds,
                                     [](double s, const kub::ReceptionRecord& r) { return s < r.seconds; });
    records_.insert(at, record);
}

std::vector<kub::ReceptionRecord> MemoryHistory::search(const kub::HistoryQuery& query) {
    std::lock_guard lock(mutex_);
    ++searches_;
    std::vector<kub::ReceptionRecord> found;
    std::size_t skipped = 0;
    const auto take = [&](const kub::ReceptionRecord& r) {
        if (!wanted(query, r)) return true;
        if (skipped < query.offset) {
            ++skipped;
            return true;
        }
        found.push_back(r);
        return found.size() < query.limit;
    };
    if (query.limit == 0) return found;
    if (query.oldestFirst) {
        for (auto it = records_.begin(); it != records_.end() && take(*it); ++it) {
        }
    } else {
        // Newest first; of equal times the last added first, as a store ordering by time
        // and then by row number descending gives them.
        for (auto it = records_.rbegin(); it != records_.rend() && take(*it); ++it) {
        }
    }
    return found;
}

std::size_t MemoryHistory::searches() const {
    std::lock_guard lock(mutex_);
    return searches_;
}

}  // namespace kubtest
