#pragma once
// What the window's banner and the incident tables show of an incident record: its time
// as the tables write it, keyword and address from its fields, its units by name and its
// text, "[verschlüsselt]" in place of a text that is not plain language.

#include <string>
#include <vector>

#include "core/reception_record.h"

namespace kub {

// Shown in place of a page text judged encrypted; the raw text stays in the record and
// the day log.
inline constexpr const char* kEncryptedText = "[verschlüsselt]";

struct IncidentSummary {
    std::string time;     // "08.12.2026 13:05:07"
    std::string keyword;  // the field "stichwort"; may be empty
    std::string address;  // the field "adresse"; may be empty
    std::string units;    // names (the RIC or code of a unit without one), comma-separated
    std::string text;
    bool test = false;    // a test alarm
    // Tells incidents apart: a later report of the same incident takes the place of the
    // earlier one.
    std::string key;
};

IncidentSummary incidentSummary(const ReceptionRecord& incident);

// The cells of its row in the incident tables: time, keyword ("Probealarm" before it for a
// test alarm), units, text.
std::vector<std::string> incidentCells(const IncidentSummary& incident);

}  // namespace kub
