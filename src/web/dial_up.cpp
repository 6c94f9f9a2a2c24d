#include "web/dial_up.h"

#include <sstream>

namespace kub {

bool isDialUpConnectionType(const std::string& nmType) {
    return nmType == "gsm" || nmType == "cdma" || nmType == "pppoe";
}

std::vector<std::string> splitNmcliFields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            fields.back().push_back(line[++i]);
        } else if (line[i] == ':') {
            fields.emplace_back();
        } else {
            fields.back().push_back(line[i]);
        }
    }
    return fields;
}

namespace {

std::vector<std::vector<std::string>> nmcliRows(ProcessRunner& runner, const std::string& nmcli,
                                                const std::vector<std::string>& args) {
    std::vector<std::vector<std::string>> rows;
    const ProcessOutcome r = runner.run(nmcli, args);
    if (!r.started || !r.exited || r.exitCode != 0) return rows;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) rows.push_back(splitNmcliFields(line));
    }
    return rows;
}

}  // namespace

std::vector<std::string> NmcliDialUp::phoneBook() {
    std::vector<std::string> names;
    for (const auto& row : nmcliRows(runner_, nmcli_, {"-t", "-f", "NAME,TYPE", "connection", "show"}))
        if (row.size() >= 2 && isDialUpConnectionType(row[1])) names.push_back(row[0]);
    return names;
}

bool NmcliDialUp::isDialUpConnected() {
    for (const auto& row :
         nmcliRows(runner_, nmcli_, {"-t", "-f", "NAME,TYPE,STATE", "connection", "show", "--active"}))
        if (row.size() >= 3 && isDialUpConnectionType(row[1]) && row[2] == "activated") return true;
    return false;
}

bool NmcliDialUp::dial(const std::string& entry) {
    const ProcessOutcome r = runner_.run(nmcli_, {"--wait", "90", "connection", "up", "id", entry});
    return r.started && r.exited && r.exitCode == 0;
}

void NmcliDialUp::hangUp(const std::string& entry) {
    runner_.run(nmcli_, {"--wait", "30", "connection", "down", "id", entry});
}

}  // namespace kub
