#pragma once
// The whole of a reception record as the history keeps it: every field, the ones the
// public record JSON leaves out (seconds, row, slot, colours, ...) included, so that what
// is read back is what went in. Only ever read back from our own store; a value that is
// not what we wrote gives nullopt rather than a half record.

#include <optional>
#include <string>
#include <string_view>

#include "core/reception_record.h"

namespace kub {

std::string storedRecordJson(const ReceptionRecord& record);
std::optional<ReceptionRecord> readStoredRecord(std::string_view json);

// The protocol of its name ("fms", ... as protocolName); nullopt for any other text.
std::optional<RecordProtocol> protocolOfName(std::string_view name);

}  // namespace kub
