// kubmon: the monitor's command-line tool (the monitor without a window, decode
// recordings, generate test signals, status page and its upload).

#include <clocale>
#include <cstdio>
#include <cstring>

#include "common/stderr_line.h"
#include "commands.h"
#include "usage.h"
#include "platform/process_end.h"


int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C");
    if (argc < 2) {
        std::fputs(kubmon::kOverviewUsage, stderr);
        return 2;
    }
    // Asked-for help is the answer (stdout, status 0); help after a mistake goes with the error.
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        return kubmon::printHelp(kubmon::kOverviewUsage);
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("kubmon %s\n", KUB_VERSION);
        return 0;
    }
    kubmon::Args args(argv + 2, argv + argc);
    const std::string cmd = argv[1];
    if (cmd == "decode") return kubmon::decodeCommand(args);
    if (cmd == "gen") return kubmon::genCommand(args);
    if (cmd == "ftp") return kubmon::ftpCommand(args);
    if (cmd == "page") return kubmon::pageCommand(args);
    if (cmd == "regeln") return kubmon::rulesCommand(args);
    if (cmd == "verlauf") return kubmon::verlaufCommand(args);
    // These two may have had a sound server's connection open.
    if (cmd == "run") kub::endProcess(kubmon::runCommand(args));
    if (cmd == "devices") kub::endProcess(kubmon::devicesCommand(args));
    kub::writeStderrLine("kubmon", "unbekannter Befehl: " + cmd);
    std::fputs(kubmon::kOverviewUsage, stderr);
    return 2;
}
