#include "gen_items.h"

namespace kubmon {

const char* const kPocsagItemHelp = "";

bool genPocsagItem(const GenItem&, const GenOptions&, std::vector<float>&, std::string&) { return true; }

}  // namespace kubmon
