#pragma once
// A "Mon.ini" that switches every decoder on, as a dispatcher's would after ticking them.

#include <string>

#include "storage/settings.h"

namespace kubtest {

inline kub::Settings decodersOn(kub::Settings s = kub::defaultSettings()) {
    s.fmsLeft = s.zveiLeft = s.pocsagLeft = 1;
    s.fmsRight = s.zveiRight = s.pocsagRight = 1;
    return s;
}

inline bool writeDecodersOnSettings(const std::string& folder) {
    return kub::saveSettings(folder, decodersOn());
}

}  // namespace kubtest
