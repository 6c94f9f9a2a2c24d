#include "common/clock.h"

#include <chrono>
#include <cmath>

namespace kub {

LocalTime toLocalTime(double epochSeconds) {
    std::time_t t = static_cast<std::time_t>(std::floor(epochSeconds));
    std::tm tm{};
    localtime_r(&t, &tm);
    LocalTime lt;
    lt.year = tm.tm_year + 1900;
    lt.month = tm.tm_mon + 1;
    lt.day = tm.tm_mday;
    lt.hour = tm.tm_hour;
    lt.minute = tm.tm_min;
    lt.second = tm.tm_sec;
    return lt;
}

double WallClock::nowSeconds() const {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

}  // namespace kub
