#pragma once
// Runs a shell command line for the end-to-end tests and collects its output.

#include <string>
#include <vector>

namespace kubtest {

struct ProcessResult {
    int exitCode = -1;
    std::string out;  // stdout
    std::string err;  // stderr
};

ProcessResult runProcess(const std::string& commandLine);

// A fresh empty folder under the system's temporary folder; removed by the caller.
std::string makeTempDir(const std::string& prefix);
void removeTree(const std::string& path);

// Lines of a text, without their line ends; no trailing empty line.
std::vector<std::string> splitLines(const std::string& text);

// The whole file as bytes; empty when it cannot be read.
std::string readFileBytes(const std::string& path);

// Seconds since the epoch of a local date and time.
double localEpoch(int year, int month, int day, int hour, int minute, int second = 0);

}  // namespace kubtest
