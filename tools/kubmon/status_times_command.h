#pragma once
// `kubmon verlauf --statuszeiten [--kennung K] [--von DATUM] [--bis DATUM] [--json|--csv]`:
// each vehicle's time per status and its missions, from the stored receptions. The caller
// opens the store; the units a vehicle carries come from "ZVEI_FMS_Zuord.txt" in the
// program folder (--folder F).

#include <ostream>
#include <string>
#include <vector>

#include "history/history_source.h"

namespace kubmon {

// Exit status: 0 done, 1 the history could not be read or the range is too large,
// 2 a wrong option or a date that does not exist.
int runStatusTimesCommand(const std::vector<std::string>& args, kub::HistorySource& source, std::ostream& out,
                          std::ostream& err);

}  // namespace kubmon
