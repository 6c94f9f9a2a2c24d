#pragma once
// A "Mon.ini" that switches every decoder on, as a dispatcher's would after ticking them,
// and one that sends the TCP export to a server on this machine.

#include <string>

#include "storage/settings.h"

namespace kubtest {

inline kub::Settings decodersOn(kub::Settings s = kub::defaultSettings()) {
    s.fmsLeft = s.zveiLeft = s.pocsagLeft = 1;
    s.fmsRight = s.zveiRight = s.pocsagRight = 1;
    return s;
}

inline kub::Settings tcpExportTo(int port, kub::Settings s) {
    s.tcpExport = 1;
    s.tcpServer = "127.0.0.1";
    s.tcpPort = static_cast<std::int16_t>(port);
    return s;
}

inline bool writeDecodersOnSettings(const std::string& folder) {
    return kub::saveSettings(folder, decodersOn());
}

}  // namespace kubtest
