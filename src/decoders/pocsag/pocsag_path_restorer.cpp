#include "decoders/pocsag/pocsag_path_restorer.h"

#include <cmath>
#include <numbers>

namespace kub {

namespace {

constexpr double kRate = 22050.0;
// The corners of the paths undone: 300 Hz, where speech begins.
constexpr double kPathHz = 300.0;
// The coupling capacitor as a first-order high-pass; the undoing integrator leaks slowly, so
// that noise and dither cannot walk it away: over 1000 samples (45 ms), many bits.
const double kCouplingPole = std::exp(-2.0 * std::numbers::pi * kPathHz / kRate);
constexpr double kCouplingLeak = 0.999;
// The de-emphasis is undone up to here: above it the noise would only grow, and the fastest
// rate needs no more.
constexpr double kEmphasisHz = 3000.0;

// The slowest pole pair of the restored edge decays by e in 7 ms; the swing of a start is
// down from a few hundred times the signal to a tenth of it after 60 ms.
constexpr long kVoiceBandSettleSamples = 1400;

// Denominator of pole pair k of a fourth-order Butterworth high-pass at `hz`, normalised to
// a leading one, and the section's gain at z = -1 numerator factor (b0).
struct PolePair {
    double a1, a2, b0;
};

PolePair highPassPair(double hz, int k) {
    const double w0 = 2.0 * std::numbers::pi * hz / kRate;
    const double c = std::cos(w0);
    const double q = 1.0 / (2.0 * std::cos(std::numbers::pi * (2 * k + 1) / 8.0));
    const double alpha = std::sin(w0) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    return {-2.0 * c / a0, (1.0 - alpha) / a0, (1.0 + c) / 2.0 / a0};
}

}  // namespace

PocsagPathRestorer::PocsagPathRestorer(PocsagAudioPath path) : path_(path) {
    if (path_ == PocsagAudioPath::VoiceBand) {
        // Both sections have their double zero at z = 1; the ratio keeps only the poles.
        for (int k = 0; k < 2; ++k) {
            const PolePair from = highPassPair(kPathHz, k);
            const PolePair to = highPassPair(kVoiceBandRestoredHz, k);
            Section& s = sections_[static_cast<std::size_t>(k)];
            s.g = to.b0 / from.b0;
            s.n1 = from.a1;
            s.n2 = from.a2;
            s.d1 = to.a1;
            s.d2 = to.a2;
        }
        settleSamples_ = kVoiceBandSettleSamples;
    } else if (path_ == PocsagAudioPath::Loudspeaker) {
        // The de-emphasis pole cancelled, one at kEmphasisHz in its place, unity gain at DC.
        const double a = std::exp(-2.0 * std::numbers::pi * kPathHz / kRate);
        const double b = std::exp(-2.0 * std::numbers::pi * kEmphasisHz / kRate);
        Section& s = sections_[0];
        s.g = (1.0 - b) / (1.0 - a);
        s.n1 = -a;
        s.d1 = -b;
    }
}

void PocsagPathRestorer::restart(double older, double last) {
    for (Section& s : sections_) {
        s.x1 = s.y1 = last;
        s.x2 = s.y2 = older;
    }
    couplingIn_ = couplingOut_ = last;
    sinceRestart_ = 0;
}

void PocsagPathRestorer::process(const SampleArray& in, SampleArray& out) {
    sinceRestart_ += static_cast<long>(in.size());
    if (path_ == PocsagAudioPath::AsHeard) {
        out = in;
        return;
    }
    if (path_ == PocsagAudioPath::Loudspeaker) {
        double cin = couplingIn_, cout = couplingOut_;
        Section s = sections_[0];
        for (std::size_t i = 0; i < in.size(); ++i) {
            const double x = in[i];
            cout = kCouplingLeak * cout + x / kCouplingPole - cin;
            cin = x;
            const double y = s.g * (cout + s.n1 * s.x1) - s.d1 * s.y1;
            s.x1 = cout;
            s.y1 = y;
            out[i] = y;
        }
        couplingIn_ = cin;
        couplingOut_ = cout;
        sections_[0] = s;
        return;
    }
    Section a = sections_[0], b = sections_[1];
    for (std::size_t i = 0; i < in.size(); ++i) {
        const double x = in[i];
        const double u = a.g * (x + a.n1 * a.x1 + a.n2 * a.x2) - a.d1 * a.y1 - a.d2 * a.y2;
        a.x2 = a.x1;
        a.x1 = x;
        a.y2 = a.y1;
        a.y1 = u;
        const double v = b.g * (u + b.n1 * b.x1 + b.n2 * b.x2) - b.d1 * b.y1 - b.d2 * b.y2;
        b.x2 = b.x1;
        b.x1 = u;
        b.y2 = b.y1;
        b.y1 = v;
        out[i] = v;
    }
    sections_[0] = a;
    sections_[1] = b;
}

}  // namespace kub
