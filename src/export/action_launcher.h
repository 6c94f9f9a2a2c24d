#pragma once
// Starts the user's action program for a reception. The window binds it to the
// platform's shell; tests record the calls.

#include <string>
#include <vector>

namespace kub {

class ActionLauncher {
public:
    virtual ~ActionLauncher() = default;
    // Starts `programPath` with the given arguments and returns at once; the result is
    // not looked at.
    virtual void launch(const std::string& programPath, std::vector<std::string> args) = 0;
};

// The arguments as one command-line text: each enclosed in double quotes, separated by
// single blanks ("ZVEI" "12345"). Quotes inside a value are passed on unchanged.
inline std::string actionArgumentText(const std::vector<std::string>& args) {
    std::string text;
    for (const auto& a : args) {
        if (!text.empty()) text += ' ';
        text += '"' + a + '"';
    }
    return text;
}

}  // namespace kub
