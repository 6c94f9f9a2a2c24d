#pragma once
// Sub-commands of the kubmon tool; each returns the process exit status.

#include <string>
#include <vector>

namespace kubmon {

using Args = std::vector<std::string>;

int decodeCommand(const Args& args);
int genCommand(const Args& args);
// kubmon gen iq: several channels of test IQ for the SDR input.
int genIqCommand(const Args& args);
int ftpCommand(const Args& args);
int pageCommand(const Args& args);
int runCommand(const Args& args);
int devicesCommand(const Args& args);
int rulesCommand(const Args& args);
int verlaufCommand(const Args& args);

}  // namespace kubmon
