#pragma once
// A sound that only records what it was asked to play.

#include <string>
#include <vector>

#include "platform/Sound.h"

namespace korvance {

class RecordingSound : public Sound {
public:
    bool play(const std::string& wavPath) override {
        played.push_back(wavPath);
        return true;
    }
    std::vector<std::string> played;
};

}  // namespace korvance
