#include "history/day_log_import.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "common/time_text.h"
#include "common/whole_number.h"
#include "core/channel_cell.h"
#include "export/export_line.h"
#include "history/history_dates.h"
#include "storage/text_file.h"

namespace kub {

namespace {

constexpr std::size_t kBatch = 2000;
// No row of ours comes near this; a longer line is no row.
constexpr std::size_t kMaxLineBytes = 64 * 1024;
constexpr std::size_t kMaxCell = 4096;

constexpr const char* kStatusLetters[] = {"0", "A", "E", "C", "F", "H", "J", "L",
                                          "P", "U", "c", "d", "h", "o", "u", "Quittung"};

bool allDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int smallNumber(std::string_view s, int high) {
    if (!allDigits(s) || s.size() > 3) return -1;
    return static_cast<int>(wholeNumber(s, 0, high).value_or(-1));
}

bool dateName(std::string_view rest, bool padded) {
    // "2026-3-7.txt" or, padded, "2026-03-07.txt"
    if (rest.size() < 4 || rest.substr(rest.size() - 4) != ".txt") return false;
    rest.remove_suffix(4);
    int parts = 0;
    std::size_t start = 0;
    while (start <= rest.size()) {
        const std::size_t dash = rest.find('-', start);
        const std::string_view p = rest.substr(start, dash == std::string_view::npos ? std::string_view::npos : dash - start);
        const std::size_t width = parts == 0 ? 4 : 2;
        if (!allDigits(p) || p.size() > width || (padded && p.size() != width) || (parts == 0 && p.size() != 4))
            return false;
        ++parts;
        if (dash == std::string_view::npos) break;
        start = dash + 1;
    }
    return parts == 3;
}

bool setTime(ReceptionRecord& r, std::string_view cell) {
    const auto seconds = parseLogTime(cell);
    if (!seconds) return false;
    r.seconds = *seconds;
    r.time = isoTimeText(*seconds);
    return true;
}

std::optional<ReceptionRecord> fmsRow(const std::vector<std::string>& c, ReceptionRecord r) {
    if (c.size() < 7 || c.size() > 8) return std::nullopt;
    r.kennung = c[2];
    if (r.kennung.size() != 8 || !std::all_of(r.kennung.begin(), r.kennung.end(), [](char ch) {
            return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F');
        }))
        return std::nullopt;
    if (c[5] == "Fzg->Lst") {
        r.direction = 0;
        r.status = smallNumber(c[3], 15);
    } else if (c[5] == "Lst->Fzg") {
        r.direction = 1;
        for (int s = 0; s < 16; ++s)
            if (c[3] == kStatusLetters[s]) r.status = s;
    } else {
        return std::nullopt;
    }
    r.tki = smallNumber(c[4], 3);
    if (r.status < 0 || r.tki < 0 || !setTime(r, c[6])) return std::nullopt;
    if (c[0] != "?") {
        r.vehicle = c[0];
        r.info = c[1];
    }
    if (c.size() == 8) r.text = c[7];
    r.line = fmsExportLine(r.kennung, r.status, r.tki, r.direction);
    return r;
}

std::optional<ReceptionRecord> zveiRow(const std::vector<std::string>& c, ReceptionRecord r) {
    if (c.size() != 3 || c[0].empty() || c[0].size() > 16 || !setTime(r, c[2])) return std::nullopt;
    r.code = c[0];
    r.name = c[1];
    r.line = zveiExportLine(r.code, r.name);
    return r;
}

std::optional<ReceptionRecord> pocsagRow(const std::vector<std::string>& c, ReceptionRecord r) {
    if (c.size() != 5 || !allDigits(c[0]) || c[0].size() > 7 || !setTime(r, c[3])) return std::nullopt;
    r.ric = c[0];
    r.function = smallNumber(c[1], 3);
    if (r.function < 0) return std::nullopt;
    r.name = c[2];
    r.text = c[4];
    r.line = pocsagExportLine(r.ric, r.function, r.text);
    return r;
}

bool takePrefix(std::string& text, std::string_view prefix) {
    if (text.rfind(prefix, 0) != 0) return false;
    text.erase(0, prefix.size());
    return true;
}

std::optional<ReceptionRecord> incidentRow(const std::vector<std::string>& c, ReceptionRecord r) {
    if (c.size() != 4 || !setTime(r, c[0])) return std::nullopt;
    r.text = c[3];
    r.probealarm = takePrefix(r.text, "[Probealarm] ");
    r.verschluesselt = takePrefix(r.text, "[verschlüsselt] ");
    r.line = incidentExportLine(c[1], c[2], r.text);
    return r;
}

}  // namespace

std::optional<LogKind> dayLogKind(std::string_view name) {
    if (name.rfind("FMS-", 0) == 0 && dateName(name.substr(4), false)) return LogKind::Fms;
    if (name.rfind("zvei-", 0) == 0 && dateName(name.substr(5), false)) return LogKind::Zvei;
    if (name.rfind("poc-", 0) == 0 && dateName(name.substr(4), false)) return LogKind::Pocsag;
    if (name.rfind("Einsatz-", 0) == 0 && dateName(name.substr(8), true)) return LogKind::Einsatz;
    return std::nullopt;
}

std::optional<ReceptionRecord> recordOfLogRow(LogKind kind, std::string_view row) {
    if (row.empty() || row.size() > kMaxLineBytes) return std::nullopt;
    std::vector<std::string> cells = splitTabs(row);
    for (const auto& cell : cells)
        if (cell.size() > kMaxCell) return std::nullopt;
    ReceptionRecord r;
    r.channel.clear();
    // The line of an SDR channel ends with the channel's cell; the row is what came before.
    std::string channel;
    std::int64_t frequency = 0;
    if (cells.size() > 1 && readChannelCell(cells.back(), channel, frequency)) {
        cells.pop_back();
        r.channel = channel;
        r.frequency = frequency;
        row = row.substr(0, row.rfind('\t'));
    }
    r.row = std::string(row);
    switch (kind) {
        case LogKind::Fms: r.protocol = RecordProtocol::Fms; return fmsRow(cells, std::move(r));
        case LogKind::Zvei: r.protocol = RecordProtocol::Zvei; return zveiRow(cells, std::move(r));
        case LogKind::Pocsag: r.protocol = RecordProtocol::Pocsag; return pocsagRow(cells, std::move(r));
        case LogKind::Einsatz: r.protocol = RecordProtocol::Einsatz; return incidentRow(cells, std::move(r));
    }
    return std::nullopt;
}

DayLogImport importDayLogs(const std::string& programFolder, HistoryStore& store) {
    DayLogImport result;
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(fs::path(programFolder) / "Logbuch", ec), end; !ec && it != end; it.increment(ec)) {
        // Only our own files: a link may point anywhere.
        if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
        if (dayLogKind(it->path().filename().string())) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    std::vector<ReceptionRecord> batch;
    auto flush = [&] {
        if (batch.empty() || !result.error.empty()) return;
        result.error = store.write(batch);
        batch.clear();
    };
    for (const auto& path : files) {
        const LogKind kind = *dayLogKind(path.filename().string());
        std::ifstream in(path, std::ios::binary);
        if (!in) continue;
        ++result.files;
        // Read in blocks: a line longer than any row is skipped without being held whole.
        std::string line;
        bool overlong = false;
        auto takeLine = [&] {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (overlong) {
                ++result.skipped;
            } else if (!line.empty()) {
                if (auto record = recordOfLogRow(kind, cp1252ToUtf8(line))) {
                    batch.push_back(std::move(*record));
                    ++result.records;
                    if (batch.size() >= kBatch) flush();
                } else {
                    ++result.skipped;
                }
            }
            line.clear();
            overlong = false;
        };
        char block[65536];
        while (result.error.empty() && in) {
            in.read(block, sizeof block);
            const std::string_view got(block, static_cast<std::size_t>(in.gcount()));
            std::size_t start = 0;
            while (start < got.size()) {
                const std::size_t nl = got.find('\n', start);
                const std::string_view piece = got.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
                if (!overlong) line.append(piece);
                if (line.size() > kMaxLineBytes) {
                    overlong = true;
                    line.clear();
                }
                if (nl == std::string_view::npos) break;
                takeLine();
                start = nl + 1;
            }
        }
        if (!line.empty() || overlong) takeLine();
    }
    flush();
    return result;
}

}  // namespace kub
