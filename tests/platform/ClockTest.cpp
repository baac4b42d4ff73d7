#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "support/ZoneScope.h"

using namespace korvance;
using korvance::testing::ZoneScope;

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
