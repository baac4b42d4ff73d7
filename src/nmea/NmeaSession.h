#pragma once
// What the reader does with received bytes, apart from any thread: frame
// them into lines, parse RMC and GGA, collect a position until both an RMC
// with status "A" and a GGA have arrived, hand it on, and log the lines.
// The receiver thread and `korvance-cli nmea --file` both run it.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "nmea/NmeaLineBuffer.h"
#include "nmea/NmeaLog.h"
#include "nmea/NmeaParser.h"

namespace korvance {

// One position handed from the reader to its consumer.
struct NmeaPosition {
    double latitude = 0;   // degrees, from the last valid RMC
    double longitude = 0;
    double altitude = 0;   // metres, from the last GGA (-99999 when it had no altitude field)
    int64_t time = 0;      // calendar time of that RMC (its UTC fields read as local time)
    int64_t utcTime = 0;   // the same fields read as UTC
    double speedKmh = 0;
    int32_t course = 0;
};

class NmeaSessionSink {
public:
    virtual ~NmeaSessionSink() = default;
    // A complete position. Returning false ends the processing of the bytes
    // at hand (the reader was told to stop).
    virtual bool deliver(const NmeaPosition& position) = 0;
    // Writing the log failed with the system error `code`; the log is closed.
    virtual void logWriteFailed(int code) = 0;
};

struct NmeaCounters {
    uint64_t chunksDropped = 0;
    uint64_t linesAccepted = 0;
    uint64_t linesRejected = 0;
    uint64_t linesLogged = 0;
    uint64_t positions = 0;
};

class NmeaSession {
public:
    NmeaSession() = default;

    void setFilter(std::string_view oemList) { SetSentenceFilter(fix_, oemList); }
    void setSaveOnlyValid(bool only) { saveOnlyValid_ = only; }
    NmeaLog& log() { return log_; }
    const NmeaLog& log() const { return log_; }

    // Takes a chunk (dropped whole when it does not fit) and processes every
    // complete line. False when the sink asked to stop.
    bool feed(const uint8_t* data, size_t size, NmeaSessionSink& sink);
    bool feed(std::string_view chunk, NmeaSessionSink& sink) {
        return feed(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size(), sink);
    }
    // Forgets half-received lines and a half-collected position (the
    // receiver went away and came back).
    void restart() {
        buffer_.clear();
        positionReady_ = altitudeReady_ = false;
    }
    // The most bytes that fit the ring now (a reader should read no more).
    size_t room() const { return buffer_.freeSpace() - 1; }

    const NmeaFix& fix() const { return fix_; }
    const NmeaCounters& counters() const { return counters_; }

private:
    bool processLine(std::string_view line, NmeaSessionSink& sink);

    NmeaLineBuffer buffer_;
    NmeaFix fix_;
    NmeaLog log_;
    bool saveOnlyValid_ = true;
    NmeaPosition pending_;
    bool positionReady_ = false;
    bool altitudeReady_ = false;
    NmeaCounters counters_;
};

}  // namespace korvance
