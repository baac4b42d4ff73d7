// Bytes from the line: the first byte picks the chunk size, the rest runs
// through the line ring, the parser, the hand-off rule and the log filter,
// and each good line is also parsed on its own.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "nmea/NmeaSession.h"

using namespace korvance;

namespace {

struct Sink : NmeaSessionSink {
    bool deliver(const NmeaPosition&) override { return true; }
    void logWriteFailed(int) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t chunk = data[0] % 200 + 1;
    ++data;
    --size;
    NmeaSession session;
    session.setFilter(std::string_view(reinterpret_cast<const char*>(data), size < 40 ? size : 40));
    Sink sink;
    for (size_t at = 0; at < size; at += chunk) session.feed(data + at, size - at < chunk ? size - at : chunk, sink);
    NmeaFix fix;
    ParseSentence(fix, std::string_view(reinterpret_cast<const char*>(data), size));
    (void)PassesFilter(session.fix(), std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
