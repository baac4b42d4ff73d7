#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace korvance {

uint32_t SystemClock::tickMs() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int64_t SystemClock::unixTime() {
    return static_cast<int64_t>(std::time(nullptr));
}

// Offset of local time from UTC (seconds east) at a given instant.
static long offsetAt(std::time_t t, bool* isDst) {
    std::tm local{};
    localtime_r(&t, &local);
    if (isDst) *isDst = local.tm_isdst > 0;
    return local.tm_gmtoff;
}

int32_t SystemClock::timeZoneBiasForYear(int year) {
    // Sample the year monthly: the standard offset is the one outside daylight
    // saving; the zone "has a rule" when any sample is in daylight saving.
    long standard = 0, daylight = 0;
    bool haveStandard = false, haveDaylight = false;
    for (int month = 0; month < 12; ++month) {
        std::tm probe{};
        probe.tm_year = year - 1900;
        probe.tm_mon = month;
        probe.tm_mday = 15;
        probe.tm_hour = 12;
        probe.tm_isdst = -1;
        std::time_t t = timegm(&probe);
        bool dst = false;
        long off = offsetAt(t, &dst);
        if (dst && !haveDaylight) { daylight = off; haveDaylight = true; }
        if (!dst && !haveStandard) { standard = off; haveStandard = true; }
    }
    if (!haveStandard) standard = daylight;  // a zone in permanent daylight time
    // Bias is UTC minus local: the negative of the offset east of UTC.
    long bias = -standard;
    if (haveDaylight) bias += -(daylight - standard);
    return static_cast<int32_t>(bias);
}

int32_t SystemClock::timeZoneBiasSeconds() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return timeZoneBiasForYear(local.tm_year + 1900);
}

void SystemClock::sleepMs(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace korvance
