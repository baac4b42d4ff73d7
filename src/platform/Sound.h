#pragma once
#include <string>

namespace korvance {

// Plays a WAV file asynchronously; a later call replaces a sound still playing.
class Sound {
public:
    virtual ~Sound() = default;
    // Returns false when nothing could be played.
    virtual bool play(const std::string& wavPath) = 0;
};

}  // namespace korvance
