#include "gen_items.h"

namespace kubmon {

const char* const kFmsItemHelp = "";

bool genFmsItem(const GenItem&, const GenOptions&, std::vector<float>&, std::string&) { return true; }

}  // namespace kubmon
