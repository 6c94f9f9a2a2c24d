#pragma once
// The usage texts of kubmon and its commands, in one place so the overview and each
// command's own help cannot drift apart. Asked-for help goes to stdout with status 0;
// after a wrong option the same text goes to stderr with status 2.

#include <cstdio>

#include "commands.h"

namespace kubmon {

extern const char* const kOverviewUsage;
extern const char* const kDecodeUsage;
extern const char* const kRunUsage;
extern const char* const kPageUsage;
extern const char* const kFtpUsage;
extern const char* const kDevicesUsage;
extern const char* const kRulesUsage;
extern const char* const kVerlaufUsage;

// "--help" or "-h" among the arguments.
bool wantsHelp(const Args& args);

// Prints `usage` to stdout and returns 0: the answer of "--help".
int printHelp(const char* usage);

// The answers that need no command, the same from the front and the full program: the
// overview without arguments (status 2), "--help"/"-h" and "--version" (status 0). -1
// when argv names a command.
int answerWithoutCommand(int argc, char** argv);

// "kubmon COMMAND: REASON" and the usage to stderr; returns 2.
int refuse(const char* command, const std::string& reason, const char* usage);

}  // namespace kubmon
