#pragma once
// The view window: turns Qt's mouse, key and paint events into the events of
// the Qt-free CKorvanceView and paints through it onto a QImage canvas.

#include <QImage>
#include <QWidget>

#include <memory>

#include "view/CKorvanceView.h"

namespace korvance {

class ViewWidget : public QWidget, public ViewHost {
public:
    ViewWidget(CKorvanceDoc& doc, ViewDialogs& dialogs, Process* process, QWidget* parent = nullptr);
    ~ViewWidget() override;

    CKorvanceView& view() { return *view_; }
    // Puts a position at the view centre (no look-ahead) and repaints.
    bool centreOn(double latitude, double longitude);

    ClientRect clientRect() const override { return ClientRect{0, 0, width(), height()}; }
    void redraw(bool erase) override;
    uint32_t monitorToken() const override { return monitorToken_; }
    bool monitorRunning() const override { return monitorRunning_ && monitorRunning_(); }
    void setMonitor(uint32_t token, std::function<bool()> running) {
        monitorToken_ = token;
        monitorRunning_ = std::move(running);
    }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CKorvanceDoc& doc_;
    std::unique_ptr<CKorvanceView> view_;
    QImage buffer_;
    bool orientationTaken_ = false;
    uint32_t monitorToken_ = 0;
    std::function<bool()> monitorRunning_;
};

}  // namespace korvance
