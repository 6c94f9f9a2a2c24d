// kubmon-full: the monitor's command-line tool with every command (the monitor without a
// window, decode recordings, generate test signals, status page and its upload). `kubmon`,
// the front, decodes plain recordings itself and hands everything else to this program.

#include <clocale>
#include <cstdio>

#include "common/stderr_line.h"
#include "commands.h"
#include "usage.h"
#include "platform/process_end.h"


int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C");
    if (const int answered = kubmon::answerWithoutCommand(argc, argv); answered >= 0) return answered;
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
