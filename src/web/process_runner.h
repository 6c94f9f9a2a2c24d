#pragma once
// Running another program to its end while the monitor goes on: the FTP client and the
// network manager's command-line tool. How a process is started belongs to the platform.

#include <string>
#include <vector>

namespace kub {

struct ProcessOutcome {
    bool started = false;   // false: the program could not be started at all
    bool exited = false;    // ended by itself (not killed, not crashed)
    int exitCode = -1;
    std::string out;        // standard output, possibly cut
    std::string err;        // standard error, possibly cut
};

class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;
    // Starts `program` with `args`, each one argument as given (never through a shell),
    // and returns when it has ended; events keep being handled meanwhile.
    virtual ProcessOutcome run(const std::string& program, const std::vector<std::string>& args) = 0;
};

// The last non-empty line of a text, without its line end; the one-line reason that a
// failing command-line program leaves on its standard error.
std::string lastLine(const std::string& text);

}  // namespace kub
