#pragma once
// Starts the user's action program for a reception, with the reception's values as
// quoted arguments. The platform binding decides how a program is started; the
// reception handling only names the program and the values.

#include <string>
#include <vector>

namespace kub {

class ActionLauncher {
public:
    virtual ~ActionLauncher() = default;
    // Starts `programPath` without waiting; the result is not looked at.
    virtual void launch(const std::string& programPath, std::vector<std::string> args) = 0;
};

// The argument text of a launch: every value in double quotes, single blanks between
// them. Quotes inside a value are passed on as they are.
std::string quotedArguments(const std::vector<std::string>& args);

}  // namespace kub
