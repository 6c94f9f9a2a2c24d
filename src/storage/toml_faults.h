#pragma once
// The faults found in "Alarmierung.toml", each a German line that says where it stands
// ("Alarmierung.toml, Zeile 12, Spalte 12: …"). They are handed on in the order of the
// file, as the user reads it, whatever order the reader found them in (a TOML table
// keeps its keys sorted, not as written).

#include <string>
#include <vector>

#include <toml++/toml.h>

namespace kub {

class TomlFaults {
public:
    explicit TomlFaults(std::vector<std::string>& out) : out_(out) {}
    ~TomlFaults() { flush(); }
    TomlFaults(const TomlFaults&) = delete;
    TomlFaults& operator=(const TomlFaults&) = delete;

    void at(const toml::source_position& where, const std::string& what);
    void at(const toml::node& node, const std::string& what) { at(node.source().begin, what); }
    // The faults so far into the caller's list, in file order.
    void flush();

private:
    struct Found {
        toml::source_index line;
        toml::source_index column;
        std::string text;
    };
    std::vector<std::string>& out_;
    std::vector<Found> found_;
};

}  // namespace kub
