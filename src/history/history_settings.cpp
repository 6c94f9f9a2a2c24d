#include "history/history_settings.h"

#include <toml++/toml.h>

#include <sstream>

#include "history/postgres_history.h"
#include "storage/text_file.h"

namespace kub {

namespace {

constexpr std::int64_t kLongestRetentionDays = 36500;

std::string at(const toml::source_region& where) {
    return std::string(kHistorySettingsFileName) + ", Zeile " + std::to_string(where.begin.line) + ", Spalte " +
           std::to_string(where.begin.column) + ": ";
}

// The key a line sets at the top level ("name = …"), or empty.
std::string_view lineKey(std::string_view line) {
    std::size_t i = line.find_first_not_of(" \t");
    if (i == std::string_view::npos) return {};
    const std::size_t end = line.find_first_of(" \t=", i);
    if (end == std::string_view::npos) return {};
    const std::size_t eq = line.find_first_not_of(" \t", end);
    if (eq == std::string_view::npos || line[eq] != '=') return {};
    return line.substr(i, end - i);
}

}  // namespace

std::string withHistorySettings(std::string_view text, const HistorySettings& s) {
    std::ostringstream url;
    url << toml::value<std::string>(s.postgresUrl);
    const std::string retentionLine = "aufbewahrung_tage = " + std::to_string(s.retentionDays);
    const std::string urlLine = "postgresql = " + url.str();
    std::string body;
    bool retentionSet = false, urlSet = false, inTable = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end + 1;
        std::string_view line = text.substr(start, end - start);
        start = end;
        const std::string_view bare = line.substr(0, line.find_last_not_of("\r\n") + 1);
        const std::size_t first = bare.find_first_not_of(" \t");
        // Below a [table] header a key is that table's, not ours.
        if (first != std::string_view::npos && bare[first] == '[') inTable = true;
        const std::string_view key = inTable ? std::string_view() : lineKey(bare);
        if (key == "aufbewahrung_tage" || key == "postgresql") {
            bool& set = key == "aufbewahrung_tage" ? retentionSet : urlSet;
            if (!set) body += (key == "aufbewahrung_tage" ? retentionLine : urlLine) + "\n";
            set = true;
            continue;
        }
        body += line;
        if (!line.empty() && line.back() != '\n') body += '\n';
    }
    std::string head;
    if (!retentionSet) head += "# Tage, die der Verlauf Empfänge behält (0: für immer)\n" + retentionLine + "\n";
    if (!urlSet) head += "# PostgreSQL-Server statt \"Verlauf.sqlite\" (leer: Verlauf.sqlite im Programmordner)\n" + urlLine + "\n";
    return head + body;
}

bool saveHistorySettings(const std::string& programFolder, const HistorySettings& s) {
    const std::string path = programFolder + "/" + kHistorySettingsFileName;
    return replaceFileBytes(path, withHistorySettings(readDataFile(path).value_or(std::string()), s));
}

HistorySettings parseHistorySettings(std::string_view text, std::vector<std::string>& messages) {
    HistorySettings s;
    toml::table root;
    try {
        root = toml::parse(text, std::string_view(kHistorySettingsFileName));
    } catch (const toml::parse_error& e) {
        messages.push_back(at(e.source()) + std::string(e.description().substr(0, 200)) +
                           " (fehlerhaftes TOML; es gelten die Vorgaben)");
        return s;
    }
    if (const toml::node* n = root.get("aufbewahrung_tage")) {
        const auto v = n->value<std::int64_t>();
        if (!v || *v < 0 || *v > kLongestRetentionDays) {
            messages.push_back(at(n->source()) + "aufbewahrung_tage muss eine ganze Zahl von 0 bis 36500 sein; "
                                                 "es gilt die Vorgabe (0: für immer).");
        } else {
            s.retentionDays = static_cast<int>(*v);
        }
    }
    if (const toml::node* n = root.get("postgresql")) {
        const auto v = n->value<std::string>();
        const std::string problem = v ? (v->empty() ? "" : postgresUrlProblem(*v)) : "kein Text";
        if (!problem.empty()) {
            messages.push_back(at(n->source()) + "postgresql: " + problem + "; der Verlauf bleibt in \"Verlauf.sqlite\".");
        } else {
            s.postgresUrl = *v;
        }
    }
    for (const auto& [key, node] : root)
        if (key.str() != "aufbewahrung_tage" && key.str() != "postgresql")
            messages.push_back(at(node.source()) + "unbekannter Eintrag \"" + std::string(key.str().substr(0, 40)) + "\"");
    return s;
}

HistorySettings loadHistorySettings(const std::string& programFolder, std::vector<std::string>& messages) {
    const auto text = readDataFile(programFolder + "/" + kHistorySettingsFileName);
    if (!text) return {};
    return parseHistorySettings(*text, messages);
}

}  // namespace kub
