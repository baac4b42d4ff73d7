#pragma once
// View dialogs answered from a script: each call takes its answer from the
// queue of its kind (an empty queue answers Cancel) and keeps what it was shown.

#include <deque>
#include <functional>

#include "data/WaypointList.h"
#include "view/ViewDialogs.h"

namespace korvance {

class ScriptedViewDialogs : public ViewDialogs {
public:
    // Edits the form and answers OK (true) or Cancel.
    std::deque<std::function<bool(InputWaypointForm&)>> inputAnswers;
    std::deque<std::optional<uint32_t>> pickAnswers;
    std::deque<std::optional<int>> routeNumberAnswers;
    std::deque<std::optional<size_t>> mapAnswers;
    std::deque<std::function<bool(CalibrateMapForm&)>> calibrateAnswers;

    std::vector<InputWaypointForm> inputShown;
    std::vector<std::vector<std::string>> mapListsShown;
    std::vector<CalibrateMapForm> calibrateShown;
    int pickerShown = 0, routeNumberShown = 0;

    bool inputWaypoint(InputWaypointForm& form) override {
        inputShown.push_back(form);
        if (inputAnswers.empty()) return false;
        auto a = std::move(inputAnswers.front());
        inputAnswers.pop_front();
        return a(form);
    }
    std::optional<uint32_t> pickWaypoint(const WaypointList&) override { return take(pickAnswers, pickerShown); }
    std::optional<int> chooseRouteNumber() override { return take(routeNumberAnswers, routeNumberShown); }
    std::optional<size_t> selectMap(const std::vector<std::string>& entries) override {
        mapListsShown.push_back(entries);
        int unused = 0;
        return take(mapAnswers, unused);
    }
    bool calibrateMap(CalibrateMapForm& form) override {
        calibrateShown.push_back(form);
        if (calibrateAnswers.empty()) return false;
        auto a = std::move(calibrateAnswers.front());
        calibrateAnswers.pop_front();
        return a(form);
    }

private:
    template <class T>
    static T take(std::deque<T>& q, int& shown) {
        ++shown;
        if (q.empty()) return T{};
        T v = q.front();
        q.pop_front();
        return v;
    }
};

}  // namespace korvance
