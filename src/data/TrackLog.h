#pragma once
// The document's live track log: its track, the logging flag, the ticks of
// the last two points (for the speed figure) and the time-zone bias taken
// when a log starts.

#include <cstdint>
#include <memory>

#include "data/TrackField.h"
#include "platform/Clock.h"
#include "platform/UserPrompt.h"

namespace korvance {

struct TrackLog {
    std::unique_ptr<TrackField> track;  // null: no track
    bool logging = false;
    uint32_t lastPointTick = 0;      // ms, when the last point was appended
    uint32_t previousPointTick = 0;  // ms, the point before it
    int32_t timeZoneBias = 0;        // seconds, UTC minus local time
    uint32_t pointCountAtStart = 0;

    // The points the current block can hold (0 without a track).
    uint32_t trackCapacity() const { return track ? track->capacity() : 0; }

    // Asks "Clear current track log?" when a track exists. A new block holds
    // `capacity` points; false (after "not enough memory") when it cannot be
    // allocated. Answering No keeps the old track and appends to it while it
    // has room.
    bool start(uint32_t capacity, UserPrompt& prompt, Clock& clock);
    // Ends logging; true when the track gained points since start().
    bool stop();
    // Stores one logged position: 1, or 0 when there is no track or it is
    // full (the point is dropped silently; no point is ever overwritten).
    int append(double latitude, double longitude, double altitude, uint32_t time, Clock& clock);
};

}  // namespace korvance
