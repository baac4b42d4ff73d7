#pragma once
// The view window: turns Qt's mouse, key and paint events into the events of
// the Qt-free CKorvanceView and paints through it onto a QImage canvas.

#include <QImage>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <memory>

#include "platform/Process.h"
#include "view/CKorvanceView.h"
#include "view/MonitorLink.h"

namespace korvance {

// Starts the monitor program as a child, so that the view can tell whether it still runs.
class MonitorProcess : public Process {
public:
    bool start(const std::string& program, const std::string& arguments) override;
    bool running() const { return process_ && process_->state() != QProcess::NotRunning; }

private:
    std::unique_ptr<QProcess> process_;
};

class ViewWidget : public QWidget, public ViewHost {
public:
    ViewWidget(CKorvanceDoc& doc, DialogHost& dialogs, ViewDialogs& viewDialogs, QWidget* parent = nullptr);
    ~ViewWidget() override;

    CKorvanceView& view() { return *view_; }
    // Puts a position at the view centre (no look-ahead) and repaints.
    bool centreOn(double latitude, double longitude);

    ClientRect clientRect() const override { return ClientRect{0, 0, width(), height()}; }
    void redraw(bool erase) override;
    uint32_t monitorToken() const override { return link_.token(); }
    bool monitorRunning() const override { return monitorProcess_.running(); }
    const MonitorLink& monitorLink() const { return link_; }
    // Takes what monitors sent (at most one budget of records a call).
    void pollMonitor();

    // Shown over the blank window while there is no map and no data.
    static const char* const kStartHint;
    bool isEmptyStart() const;

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
    MonitorProcess monitorProcess_;
    MonitorLink link_;
    QTimer monitorTimer_;
};

}  // namespace korvance
