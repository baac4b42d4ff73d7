#pragma once
// View dialogs answered from a script: each call takes its answer from the
// queue of its kind (an empty queue answers Cancel) and keeps what it was shown.

#include <deque>
#include <functional>

#include "view/ViewDialogs.h"

namespace korvance {

class ScriptedViewDialogs : public ViewDialogs {
public:
    std::deque<std::optional<size_t>> mapAnswers;
    std::deque<std::function<bool(CalibrateMapForm&)>> calibrateAnswers;

    std::vector<std::vector<std::string>> mapListsShown;
    std::vector<CalibrateMapForm> calibrateShown;

    std::optional<size_t> selectMap(const std::vector<std::string>& entries) override {
        mapListsShown.push_back(entries);
        if (mapAnswers.empty()) return std::nullopt;
        const auto a = mapAnswers.front();
        mapAnswers.pop_front();
        return a;
    }
    bool calibrateMap(CalibrateMapForm& form) override {
        calibrateShown.push_back(form);
        if (calibrateAnswers.empty()) return false;
        auto a = std::move(calibrateAnswers.front());
        calibrateAnswers.pop_front();
        return a(form);
    }
};

}  // namespace korvance
