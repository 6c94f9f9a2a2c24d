#pragma once
// Where reception handling reads "now" from. Live, that is the wall clock; when a
// recording is decoded it is the wall-clock time at the start of decoding plus the
// stream position, so repeat windows and day logs behave as if the file were played live.

#include <cstdint>
#include <ctime>

namespace kub {

struct LocalTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

LocalTime toLocalTime(double epochSeconds);

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since the epoch, with fraction.
    virtual double nowSeconds() const = 0;
    LocalTime now() const { return toLocalTime(nowSeconds()); }
};

class WallClock final : public Clock {
public:
    double nowSeconds() const override;
};

// Time advances with the audio fed through the block dispatch, not with the machine.
class StreamClock final : public Clock {
public:
    static constexpr double kSampleRate = 22050.0;
    explicit StreamClock(double startEpochSeconds) : start_(startEpochSeconds) {}
    void advanceFrames(std::int64_t frames) { frames_ += frames; }
    std::int64_t frames() const { return frames_; }
    // A live stream (an SDR receiver on a pipe) delivers a little slower than the wall
    // clock now and then; its time never falls behind the wall clock, so the day logs and
    // the repeat windows stay on the time of day. A stream faster than real time (a
    // recording piped in) keeps its own time.
    void keepUpWith(double wallSeconds) {
        if (nowSeconds() < wallSeconds) start_ = wallSeconds - static_cast<double>(frames_) / kSampleRate;
    }
    double nowSeconds() const override {
        return start_ + static_cast<double>(frames_) / kSampleRate;
    }

private:
    double start_;
    std::int64_t frames_ = 0;
};

// A clock that tests set by hand.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double epochSeconds = 0) : t_(epochSeconds) {}
    void set(double epochSeconds) { t_ = epochSeconds; }
    void advance(double seconds) { t_ += seconds; }
    double nowSeconds() const override { return t_; }

private:
    double t_;
};

}  // namespace kub
