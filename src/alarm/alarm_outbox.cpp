#include "alarm/alarm_outbox.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/program_folder.h"
#include "storage/text_file.h"

namespace kub {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kNumberDigits = 16;
constexpr const char* kSuffix = ".json";

std::string numbered(std::uint64_t number) {
    std::string digits = std::to_string(number);
    return std::string(kNumberDigits - std::min(kNumberDigits, digits.size()), '0') + digits + kSuffix;
}

// "0000000000000042.json" → 42; anything else is no message of ours.
std::optional<std::uint64_t> numberOf(const std::string& fileName) {
    const std::string suffix = kSuffix;
    if (fileName.size() != kNumberDigits + suffix.size() || fileName.compare(kNumberDigits, suffix.size(), suffix) != 0)
        return std::nullopt;
    std::uint64_t n = 0;
    for (std::size_t i = 0; i < kNumberDigits; ++i) {
        if (fileName[i] < '0' || fileName[i] > '9') return std::nullopt;
        n = n * 10 + static_cast<std::uint64_t>(fileName[i] - '0');
    }
    return n;
}

// A rename is on disk only once its folder is.
void flushFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

// Our message files in a folder, in line; side files of an unfinished write removed.
std::vector<std::pair<std::uint64_t, std::string>> messageFiles(const std::string& folder) {
    std::vector<std::pair<std::uint64_t, std::string>> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.ends_with(".neu")) {
            fs::remove(it->path(), ec);
            ec.clear();
            continue;
        }
        if (const auto n = numberOf(name); n && it->is_regular_file(ec)) files.emplace_back(*n, it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Built step by step: GCC 12 sees a false overlap in "\"" + std::string&&.
std::string inQuotes(const std::string& path) {
    std::string q = "\"";
    q += path;
    q += '"';
    return q;
}

}  // namespace

std::string AlarmOutbox::folderName(const std::string& targetName) {
    std::string out;
    for (const char c : targetName.substr(0, 100)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.' || static_cast<unsigned char>(c) >= 0x80;
        out += plain ? c : '_';
    }
    if (out.empty() || out.find_first_not_of('.') == std::string::npos) out = "_" + out;
    return out;
}

AlarmOutbox::AlarmOutbox(const std::string& programFolder, const std::string& targetName, std::size_t failedLimit)
    : folder_(programFolder + "/" + kAlarmOutboxFolder + "/" + folderName(targetName)),
      failedFolder_(folder_ + "/" + kAlarmFailedFolder),
      failedLimit_(failedLimit) {}

std::string AlarmOutbox::pathOf(std::uint64_t number) const { return folder_ + "/" + numbered(number); }

AlarmOutbox::Loaded AlarmOutbox::load() {
    Loaded out;
    for (const auto& [number, path] : messageFiles(folder_)) {
        const auto bytes = readDataFile(path);
        if (!bytes || !decodeAlarmEntry(*bytes)) {
            out.notices.push_back("Alarmierung: Eintrag " + inQuotes(path) + " ist unvollständig und wird übersprungen.");
            std::remove(path.c_str());
            continue;
        }
        out.waiting.push_back({number, bytes->size()});
    }
    const auto failed = messageFiles(failedFolder_);
    out.failed = failed.size();
    out.next = std::max(out.waiting.empty() ? 0 : out.waiting.back().number,
                        failed.empty() ? 0 : failed.back().first) + 1;
    return out;
}

bool AlarmOutbox::add(std::uint64_t number, const AlarmMessage& message, std::string& error) {
    if (!makePrivateFolder(folder_)) {
        error = "Ordner " + inQuotes(folder_) + " kann nicht angelegt werden";
        return false;
    }
    if (!replaceFileBytes(pathOf(number), encodeAlarmEntry({message, {}, 0}))) {
        error = inQuotes(pathOf(number)) + " kann nicht geschrieben werden";
        return false;
    }
    flushFolder(folder_);
    return true;
}

std::optional<AlarmMessage> AlarmOutbox::read(std::uint64_t number) const {
    const auto bytes = readDataFile(pathOf(number));
    if (!bytes) return std::nullopt;
    auto entry = decodeAlarmEntry(*bytes);
    if (!entry) return std::nullopt;
    return std::move(entry->message);
}

void AlarmOutbox::remove(std::uint64_t number) { std::remove(pathOf(number).c_str()); }

void AlarmOutbox::refuse(std::uint64_t number, const AlarmMessage& message, const std::string& error, double seconds) {
    if (makePrivateFolder(failedFolder_) &&
        replaceFileBytes(failedFolder_ + "/" + numbered(number), encodeAlarmEntry({message, error, seconds}))) {
        auto kept = messageFiles(failedFolder_);
        for (std::size_t i = 0; i + failedLimit_ < kept.size(); ++i) std::remove(kept[i].second.c_str());
    }
    remove(number);
}

std::size_t AlarmOutbox::failedCount() const { return messageFiles(failedFolder_).size(); }

}  // namespace kub
