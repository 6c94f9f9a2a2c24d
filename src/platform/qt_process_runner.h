#pragma once
// Runs a program to its end inside a nested event loop, so the monitor keeps decoding.

#include "web/process_runner.h"

namespace kub {

class QtProcessRunner final : public ProcessRunner {
public:
    // Whatever the program does, it is killed after `limitMs`; its own timeouts should
    // end it long before.
    explicit QtProcessRunner(int limitMs = 10 * 60 * 1000) : limitMs_(limitMs) {}
    ProcessOutcome run(const std::string& program, const std::vector<std::string>& args) override;

private:
    int limitMs_;
};

// A program beside the running one (kubmon beside the monitor), else the bare name.
std::string siblingProgram(const std::string& name);

}  // namespace kub
