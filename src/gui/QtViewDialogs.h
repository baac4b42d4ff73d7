#pragma once
// The view's own dialogs with Qt widgets: "Select Map", which ends as soon as
// an entry is tapped, and "Calibrate Map". The dialogs the view shares with
// the document ("Input Waypoint", the pickers) are the main window's QtDialogHost.

#include <QWidget>

#include "view/ViewDialogs.h"

namespace korvance {

class QtViewDialogs : public ViewDialogs {
public:
    explicit QtViewDialogs(QWidget* parent) : parent_(parent) {}
    std::optional<size_t> selectMap(const std::vector<std::string>& entries) override;
    bool calibrateMap(CalibrateMapForm& form) override;

private:
    QWidget* parent_;
};

}  // namespace korvance
