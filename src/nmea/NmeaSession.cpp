#include "nmea/NmeaSession.h"

namespace korvance {

bool NmeaSession::feed(const uint8_t* data, size_t size, NmeaSessionSink& sink) {
    if (size > 0 && !buffer_.append(data, size)) ++counters_.chunksDropped;
    char line[NmeaLineBuffer::kLineCapacity];
    for (;;) {
        int n = buffer_.nextLine(line, sizeof line);
        if (n == 0) return true;
        if (n < 0) {
            ++counters_.linesRejected;
            continue;
        }
        ++counters_.linesAccepted;
        if (!processLine(std::string_view(line, static_cast<size_t>(n)), sink)) return false;
    }
}

bool NmeaSession::processLine(std::string_view line, NmeaSessionSink& sink) {
    bool keepGoing = true;
    bool kind = false;
    if (IsSentenceOf(line, "RMC")) {
        kind = true;
        // Only a fully parsed RMC gives a position: a line cut short leaves
        // the validity of the previous one and markers in the fields it missed.
        if (ParseSentence(fix_, line) == kNmeaRmc && fix_.validity == 1) {
            pending_.latitude = fix_.latitude;
            pending_.longitude = fix_.longitude;
            pending_.time = fix_.time;
            pending_.utcTime = fix_.utcTime;
            pending_.speedKmh = fix_.speed;
            pending_.course = fix_.course;
            positionReady_ = true;
        }
    } else if (IsSentenceOf(line, "GGA")) {
        kind = true;
        ParseSentence(fix_, line);
        pending_.altitude = fix_.altitude;
        altitudeReady_ = true;
    }
    if (kind && positionReady_ && altitudeReady_) {
        ++counters_.positions;
        keepGoing = sink.deliver(pending_);
        positionReady_ = altitudeReady_ = false;
    }
    if ((!saveOnlyValid_ || fix_.validity == 1) && log_.isOpen() && PassesFilter(fix_, line)) {
        if (log_.write(line)) {
            ++counters_.linesLogged;
        } else {
            int code = log_.error();
            log_.close();
            sink.logWriteFailed(code);
        }
    }
    return keepGoing;
}

}  // namespace korvance
