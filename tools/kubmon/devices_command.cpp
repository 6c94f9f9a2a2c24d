// kubmon devices: the sound server's capture devices, each with the number that line 1
// of "Mon.ini" takes to choose it (the order of the window's device box).

#include <QCoreApplication>
#include <cstdio>

#include "commands.h"
#include "platform/capture_device.h"
#include "usage.h"

namespace kubmon {

int devicesCommand(const Args& args) {
    if (wantsHelp(args)) return printHelp(kDevicesUsage);
    if (!args.empty()) return refuse("devices", "unbekannte Option: " + args.front(), kDevicesUsage);
    int qtArgc = 1;
    char qtName[] = "kubmon";
    char* qtArgv[] = {qtName, nullptr};
    QCoreApplication app(qtArgc, qtArgv);
    const auto names = kub::CaptureDevice::listCaptureDevices();
    if (names.empty()) {
        std::fprintf(stderr, "Keine Soundkarte (Input-Device)!\n");
        return 1;
    }
    for (std::size_t i = 0; i < names.size(); ++i) std::printf("%zu\t%s\n", i, names[i].c_str());
    return 0;
}

}  // namespace kubmon
