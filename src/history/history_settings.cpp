#include "history/history_settings.h"

#include <toml++/toml.h>

#include "history/postgres_history.h"
#include "storage/text_file.h"

namespace kub {

namespace {

constexpr std::int64_t kLongestRetentionDays = 36500;

std::string at(const toml::source_region& where) {
    return std::string(kHistorySettingsFileName) + ", Zeile " + std::to_string(where.begin.line) + ", Spalte " +
           std::to_string(where.begin.column) + ": ";
}

}  // namespace

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
