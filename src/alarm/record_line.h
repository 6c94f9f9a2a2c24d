#pragma once
// One line of `kubmon decode --json` (or `run --json`) read back into a record, so that
// "kubmon regeln erklaeren" judges a saved night of traffic as the monitor judged it live.
// Every protocol, incidents with their units included. A line that is no such record is
// refused with the reason in German; nothing of it is trusted beyond its field types.

#include <optional>
#include <string>
#include <string_view>

#include "core/reception_record.h"

namespace kub {

std::optional<ReceptionRecord> recordFromJsonLine(std::string_view line, std::string& error);

}  // namespace kub
