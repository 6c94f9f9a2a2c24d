// kubmon: the monitor's command-line tool. This front decodes recordings itself (`kubmon
// decode` of a recording without a program folder), linked against nothing but the
// decoding's libraries: Qt, the sound server, TLS, databases and the rest cost tens of
// milliseconds of loading per start, more than a short recording's decoding. Every other command, and decode with
// a folder (its exports run on Qt's event loop) or from an SDR's IQ, is handed to
// `kubmon-full` unchanged.

#include <clocale>
#include <cstring>

#include "commands.h"
#include "front/hand_over.h"
#include "usage.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C");
    if (const int answered = kubmon::answerWithoutCommand(argc, argv); answered >= 0) return answered;
    kubmon::rememberArguments(argv);
    if (std::strcmp(argv[1], "decode") == 0) return kubmon::decodeCommand(kubmon::Args(argv + 2, argv + argc));
    return kubmon::handOver();
}
