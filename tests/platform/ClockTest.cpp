#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/Clock.h"

using namespace korvance;

namespace {
struct ZoneScope {
    explicit ZoneScope(const char* tz) {
        const char* old = std::getenv("TZ");
        had_ = old != nullptr;
        if (had_) old_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ZoneScope() {
        if (had_) setenv("TZ", old_.c_str(), 1); else unsetenv("TZ");
        tzset();
    }
    bool had_ = false;
    std::string old_;
};
}  // namespace

// Bias is UTC minus local; a zone with daylight saving gets the daylight bias
// added whatever the date.
TEST(Clock, TimeZoneRule) {
    struct Row {
        const char* tz;
        int32_t bias;
    } rows[] = {
        {"UTC0", 0},
        {"JST-9", -9 * 3600},
        {"EST5EDT,M3.2.0,M11.1.0", 4 * 3600},
        {"CET-1CEST,M3.5.0,M10.5.0/3", -2 * 3600},
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", -11 * 3600},  // southern hemisphere
        {"<-03>3", 3 * 3600},
    };
    for (const auto& r : rows) {
        ZoneScope z(r.tz);
        EXPECT_EQ(SystemClock::timeZoneBiasForYear(2026), r.bias) << r.tz;
    }
}

TEST(Clock, FixedClockMovesOnlyWhenTold) {
    FixedClock c(1000, -3600);
    EXPECT_EQ(c.tickMs(), 0u);
    c.sleepMs(1500);
    EXPECT_EQ(c.tickMs(), 1500u);
    EXPECT_EQ(c.unixTime(), 1001);
    c.advanceMs(500);
    EXPECT_EQ(c.unixTime(), 1002);
    EXPECT_EQ(c.timeZoneBiasSeconds(), -3600);
}
