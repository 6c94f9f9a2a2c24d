#pragma once
// One record made into the message for one destination: its templates filled from the
// record's JSON fields, or where the file gives none, the record's JSON (webhook body,
// MQTT payload, program argument) or a readable mail. The "id" a receiver drops repeats
// by is in the fields, so every template can carry it.

#include <nlohmann/json.hpp>
#include <cstdint>
#include <string>
#include <vector>

#include "alarm/alarm_message.h"
#include "alarm/alarm_rules.h"
#include "core/reception_record.h"

namespace kub {

// Unique for the record and the destination and the same on every try: the record's time
// in milliseconds, the running number of the record, the destination's name.
std::string alarmId(double seconds, std::uint64_t number, const std::string& target);

// The record's JSON object with "id" and, for "kubmon regeln test", "test": true. An
// incident's own number ("id" of its JSON) moves to "einsatz_nr".
nlohmann::ordered_json alarmFields(const ReceptionRecord& record, const std::string& id, bool test);

// `missing` gets "PART: FIELD" for each place naming a field the record does not have
// (PART: inhalt, betreff, kopf.NAME, argumente).
AlarmMessage alarmMessage(const AlarmTarget& target, const TargetTemplates& templates, const nlohmann::ordered_json& fields,
                          double seconds, std::vector<std::string>& missing);

}  // namespace kub
