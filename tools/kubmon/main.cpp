// kubmon: the monitor's command-line tool (the monitor without a window, decode
// recordings, generate test signals, status page and its upload).

#include <clocale>
#include <cstdio>
#include <cstring>

#include "common/stderr_line.h"
#include "commands.h"
#include "platform/process_end.h"

namespace {

void usage(std::FILE* to) {
    std::fputs(
        "Aufruf:\n"
        "  kubmon decode [--folder ORDNER] [--klassisch] [--json] DATEI\n"
        "                                          Aufzeichnung dekodieren, Exportzeilen ausgeben\n"
        "  kubmon decode [...] - --rate HZ [--channels 1|2]\n"
        "                                          Rohdaten (S16LE) von der Standardeingabe, z. B. von rtl_fm\n"
        "  kubmon gen [--help] ...                 Testsignale als WAV-Datei erzeugen\n"
        "  kubmon ftp [-v] -s:SKRIPT HOST[:PORT]   FTP-Skript ausführen (Upload der Statusseite)\n"
        "  kubmon page --folder ORDNER             status.html des Programmordners schreiben\n"
        "  kubmon run [--folder ORDNER] [--input DATEI|-] [--rate HZ] [--channels 1|2] [--takt SEKUNDEN] [--json]\n"
        "                                          der Monitor ohne Fenster (Soundkarte oder Aufzeichnung)\n"
        "  kubmon devices                          Soundkarten mit ihrer Nummer für Mon.ini Zeile 1\n"
        "  kubmon --version                        Version\n",
        to);
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C");
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    // Asked-for help is the answer (stdout, status 0); help after a mistake goes with the error.
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        usage(stdout);
        return 0;
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
    // These two have had a sound server's connection open.
    if (cmd == "run") kub::endProcess(kubmon::runCommand(args));
    if (cmd == "devices") kub::endProcess(kubmon::devicesCommand(args));
    kub::writeStderrLine("kubmon", "unbekannter Befehl: " + cmd);
    usage(stderr);
    return 2;
}
