#pragma once
// Time sources: the millisecond tick count, calendar time and the time-zone rule.

#include <cstdint>
#include <ctime>

namespace korvance {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start, wrapping at 2^32 (GetTickCount).
    virtual uint32_t tickMs() = 0;
    // Seconds since 1970-01-01 00:00:00 UTC.
    virtual int64_t unixTime() = 0;
    // UTC minus local time in seconds: the zone's standard bias, plus its daylight
    // bias whenever the zone has a daylight-saving rule at all, whatever the date.
    virtual int32_t timeZoneBiasSeconds() = 0;
    // Sleeps the calling thread.
    virtual void sleepMs(uint32_t ms) = 0;
};

class SystemClock : public Clock {
public:
    uint32_t tickMs() override;
    int64_t unixTime() override;
    int32_t timeZoneBiasSeconds() override;
    void sleepMs(uint32_t ms) override;

    // The time-zone rule for the zone named by TZ rules in effect (for tests:
    // evaluate it for a given year of the process's zone).
    static int32_t timeZoneBiasForYear(int year);
};

// The system's clock with a tick count that runs `pace` times as fast: a
// receiver simulator playing its drive faster than real time then still shows
// the drive's own speed, which is taken from the tick count.
class PacedClock : public SystemClock {
public:
    explicit PacedClock(double pace = 1.0) : pace_(pace), start_(SystemClock::tickMs()) {}
    uint32_t tickMs() override {
        const uint32_t elapsed = SystemClock::tickMs() - start_;
        return static_cast<uint32_t>(static_cast<uint64_t>(elapsed * pace_));
    }

private:
    double pace_;
    uint32_t start_;
};

// Clock of tests: time stands still until told to move; sleeping advances it.
class FixedClock : public Clock {
public:
    explicit FixedClock(int64_t unix = 1262304000 /* 2010-01-01 */, int32_t bias = 0)
        : unix_(unix), bias_(bias) {}
    uint32_t tickMs() override { return tick_; }
    int64_t unixTime() override { return unix_; }
    int32_t timeZoneBiasSeconds() override { return bias_; }
    void sleepMs(uint32_t ms) override { advanceMs(ms); }

    void advanceMs(uint32_t ms) {
        tick_ += ms;
        subMs_ += ms;
        unix_ += subMs_ / 1000;
        subMs_ %= 1000;
    }
    void setBias(int32_t bias) { bias_ = bias; }
    void setUnixTime(int64_t unix) { unix_ = unix; }

private:
    uint32_t tick_ = 0;
    uint32_t subMs_ = 0;
    int64_t unix_;
    int32_t bias_;
};

}  // namespace korvance
