#pragma once
// What a real receiver's audio path does to a signal, for tests and benchmarks: the whole
// signal off frequency, mains hum, the first-order corners of a loudspeaker output.
// Mono float samples at 22050 Hz.

#include <vector>

namespace siggen {

// The whole signal `factor` times faster (tones and bit rate together), by cubic
// interpolation: 1.03 is 3 % fast and high.
std::vector<float> speedChanged(const std::vector<float>& x, double factor);

// Mains hum of `hz` with the harmonics a transformer's field and a rectifier add, at the
// mean power `power` (full scale 1.0), added to every sample.
void addHum(std::vector<float>& x, double hz, double power);

// First-order low-pass (de-emphasis) and high-pass (AC coupling) at `hz`.
void lowPassFirstOrder(std::vector<float>& x, double hz);
void highPassFirstOrder(std::vector<float>& x, double hz);

// Mean power of the samples.
double meanPower(const std::vector<float>& x);

}  // namespace siggen
