#pragma once
// Squelch flutter: a receiver whose squelch shuts for a moment again and again inside a
// transmission leaves stretches of digital silence in the audio.

#include <vector>

namespace siggen {

// Silence of `ms` milliseconds every `periodSeconds`, the first one period in; 22050 Hz.
void addDropOuts(std::vector<float>& x, double ms, double periodSeconds);

}  // namespace siggen
