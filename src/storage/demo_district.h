#pragma once
// The demo's program folder: a fictional district (stations, vehicles with their
// Kennung, receivers with names and colours, which vehicle carries which receiver) for a
// first look at the monitor without radio traffic of one's own. The traffic of the demo
// recording the build makes fits it.

#include <string>

namespace kub {

// Writes "Mon.ini", "Fzg.txt" with its status files, "Wachen.txt", "ZVEI.txt" and
// "ZVEI_FMS_Zuord.txt" into `folder` (made when missing); every vehicle stands at status
// 2 since `timeText`. The settings switch all six decoders on and keep the sound card
// closed at start: the demo's audio comes from its recording. False when a file could
// not be written.
bool writeDemoDistrict(const std::string& folder, const std::string& timeText);

}  // namespace kub
