#pragma once
// Starts the user's action program for a reception. The handling only says which
// program and which values; how a process is started belongs to the platform.

#include <string>
#include <vector>

namespace kub {

class ActionLauncher {
public:
    virtual ~ActionLauncher() = default;
    // `args` are the values that go to the program, each later enclosed in double quotes
    // ("FMS" "12345678"). Returns at once; the program's fate is not followed.
    virtual void launch(const std::string& programPath, const std::vector<std::string>& args) = 0;
};

}  // namespace kub
