#include "storage/toml_faults.h"

#include <algorithm>

#include "storage/alarm_settings.h"

namespace kub {

void TomlFaults::at(const toml::source_position& where, const std::string& what) {
    found_.push_back({where.line, where.column,
                      std::string(kAlarmSettingsFileName) + ", Zeile " + std::to_string(where.line) + ", Spalte " +
                          std::to_string(where.column) + ": " + what});
}

void TomlFaults::flush() {
    std::stable_sort(found_.begin(), found_.end(), [](const Found& a, const Found& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    for (Found& f : found_) out_.push_back(std::move(f.text));
    found_.clear();
}

}  // namespace kub
