#include "siggen/impairments.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace siggen {

namespace {
constexpr double kRate = 22050.0;
}

std::vector<float> speedChanged(const std::vector<float>& x, double factor) {
    const auto at = [&x](long i) {
        return i < 0 || i >= static_cast<long>(x.size()) ? 0.0 : static_cast<double>(x[static_cast<std::size_t>(i)]);
    };
    std::vector<float> y(static_cast<std::size_t>(static_cast<double>(x.size()) / factor));
    for (std::size_t n = 0; n < y.size(); ++n) {
        const double pos = static_cast<double>(n) * factor;
        const long i = static_cast<long>(std::floor(pos));
        const double t = pos - static_cast<double>(i);
        const double p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
        y[n] = static_cast<float>(
            p1 + 0.5 * t * (p2 - p0 + t * (2 * p0 - 5 * p1 + 4 * p2 - p3 + t * (3 * (p1 - p2) + p3 - p0))));
    }
    return y;
}

void addHum(std::vector<float>& x, double hz, double power) {
    const double parts[][2] = {{1, 1.0}, {2, 0.5}, {3, 0.4}, {4, 0.15}, {5, 0.25}, {7, 0.1}};
    double sum = 0;
    for (const auto& p : parts) sum += p[1] * p[1] / 2;
    const double g = std::sqrt(power / sum);
    for (std::size_t n = 0; n < x.size(); ++n) {
        double h = 0;
        for (const auto& p : parts) {
            h += p[1] * std::sin(2 * std::numbers::pi * hz * p[0] * static_cast<double>(n) / kRate + p[0]);
        }
        x[n] = static_cast<float>(x[n] + g * h);
    }
}

void lowPassFirstOrder(std::vector<float>& x, double hz) {
    const double a = std::exp(-2.0 * std::numbers::pi * hz / kRate);
    double y = 0;
    for (float& v : x) v = static_cast<float>(y = (1 - a) * v + a * y);
}

void highPassFirstOrder(std::vector<float>& x, double hz) {
    const double a = std::exp(-2.0 * std::numbers::pi * hz / kRate);
    double y = 0, prev = 0;
    for (float& v : x) {
        y = a * (y + v - prev);
        prev = v;
        v = static_cast<float>(y);
    }
}

double meanPower(const std::vector<float>& x) {
    double e = 0;
    for (float v : x) e += static_cast<double>(v) * v;
    return e / static_cast<double>(std::max<std::size_t>(x.size(), 1));
}

}  // namespace siggen
