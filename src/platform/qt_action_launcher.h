#pragma once
// Starts the action program as a process of its own: no shell, no waiting, each value
// one argument exactly as given.

#include "export/action_launcher.h"

namespace kub {

class QtActionLauncher final : public ActionLauncher {
public:
    void launch(const std::string& programPath, std::vector<std::string> args) override;
    int launched() const { return launched_; }

private:
    int launched_ = 0;
};

}  // namespace kub
