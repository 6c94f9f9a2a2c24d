#include "storage/receiver_list.h"

#include <cstdio>

#include "storage/text_file.h"

namespace kub {

namespace {

char foldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// A field must not bring its own line or cell breaks into the file.
std::string cleanField(std::string_view field) {
    std::string out(field);
    for (char& c : out) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

std::int32_t colourFromItem(const std::string& item) {
    const long v = itemToNumber(item);
    if (v < INT32_MIN || v > static_cast<long>(UINT32_MAX)) return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

std::string assignmentLine(const AssignmentRecord& r) {
    return itemLine(cleanField(r.kennung) + "\t" + cleanField(r.code) + "\t" + cleanField(r.rufname));
}

}  // namespace

bool sameCode(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    }
    return true;
}

const ReceiverRecord* ReceiverLists::findReceiver(std::string_view code) const {
    for (const auto& r : receiverList) {
        if (sameCode(r.nummer, code)) return &r;
    }
    return nullptr;
}

const AssignmentRecord* ReceiverLists::findAssignment(std::string_view code) const {
    for (const auto& a : assignmentList) {
        if (sameCode(a.code, code)) return &a;
    }
    return nullptr;
}

std::string ReceiverLists::assignedRufname(std::string_view code) const {
    const AssignmentRecord* a = findAssignment(code);
    return a ? a->rufname : std::string();
}

ReceiverDisplay ReceiverLists::display(std::string_view code) const {
    ReceiverDisplay d;
    if (const ReceiverRecord* r = findReceiver(code)) {
        d.name = r->name;
        d.listed = true;
        d.colour = r->farbe == 0 ? kNoColour : static_cast<std::uint32_t>(r->farbe);
    }
    if (const AssignmentRecord* a = findAssignment(code)) {
        d.name += " (" + a->rufname + ") ";
    }
    return d;
}

void ReceiverLists::load(const std::string& programFolder) {
    receiverList = loadReceiverList(programFolder);
    assignmentList = loadAssignments(programFolder);
}

std::string receiverListPath(const std::string& programFolder) {
    return programFolder + "/ZVEI.txt";
}

std::string assignmentPath(const std::string& programFolder) {
    return programFolder + "/ZVEI_FMS_Zuord.txt";
}

std::vector<ReceiverRecord> loadReceiverList(const std::string& programFolder) {
    std::vector<ReceiverRecord> list;
    auto lines = readItemLines(receiverListPath(programFolder));
    if (!lines) return list;
    for (const auto& line : *lines) {
        if (line.empty()) continue;
        auto parts = splitTabs(line);
        ReceiverRecord r;
        r.nummer = parts[0];
        if (parts.size() > 1) r.name = parts[1];
        if (parts.size() > 2) r.farbe = colourFromItem(parts[2]);
        list.push_back(std::move(r));
    }
    return list;
}

bool saveReceiverList(const std::string& programFolder, const std::vector<ReceiverRecord>& list) {
    const std::string path = receiverListPath(programFolder);
    if (list.empty()) {
        std::remove(path.c_str());
        return !fileExists(path);
    }
    std::vector<std::string> lines;
    lines.reserve(list.size());
    for (const auto& r : list) {
        lines.push_back(itemLine(cleanField(r.nummer) + "\t" + cleanField(r.name) + "\t" +
                                    std::to_string(r.farbe)));
    }
    return replaceTextLines(path, lines);
}

std::vector<AssignmentRecord> loadAssignments(const std::string& programFolder) {
    std::vector<AssignmentRecord> list;
    auto lines = readItemLines(assignmentPath(programFolder));
    if (!lines) return list;
    for (const auto& line : *lines) {
        if (line.empty()) continue;
        auto parts = splitTabs(line);
        AssignmentRecord a;
        a.kennung = parts[0];
        if (parts.size() > 1) a.code = parts[1];
        if (parts.size() > 2) a.rufname = parts[2];
        list.push_back(std::move(a));
    }
    return list;
}

bool addAssignment(const std::string& programFolder, std::vector<AssignmentRecord>& list,
                   const std::string& kennung, const std::string& code,
                   const std::string& rufname) {
    AssignmentRecord a{cleanField(kennung), cleanField(code), cleanField(rufname)};
    const bool ok = appendTextLine(assignmentPath(programFolder), assignmentLine(a));
    list.push_back(std::move(a));
    return ok;
}

bool removeAssignment(const std::string& programFolder, std::vector<AssignmentRecord>& list,
                      std::string_view kennung, std::string_view code) {
    std::vector<AssignmentRecord> kept;
    std::vector<std::string> lines;
    for (auto& a : list) {
        if (sameCode(a.kennung, kennung) && sameCode(a.code, code)) continue;
        lines.push_back(assignmentLine(a));
        kept.push_back(std::move(a));
    }
    list = std::move(kept);
    return replaceTextLines(assignmentPath(programFolder), lines);
}

}  // namespace kub
