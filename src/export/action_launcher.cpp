#include "export/action_launcher.h"

namespace kub {

std::string quotedArguments(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& a : args) {
        if (!text.empty()) text += ' ';
        text += '"' + a + '"';
    }
    return text;
}

}  // namespace kub
