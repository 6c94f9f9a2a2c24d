#include "gen_items.h"

namespace kubmon {

const char* const kZveiItemHelp = "";

bool genZveiItem(const GenItem&, const GenOptions&, std::vector<float>&, std::string&) { return true; }

}  // namespace kubmon
