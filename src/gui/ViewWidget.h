#pragma once
// The view window: turns Qt's mouse, key and paint events into the events of
// the Qt-free CKorvanceView and paints through it onto a QImage canvas.

#include <QImage>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <memory>

#include "platform/FileChooser.h"
#include "platform/Process.h"
#include "qtplatform/QtCallQueue.h"
#include "qtplatform/QtNavigationTimer.h"
#include "view/CKorvanceView.h"
#include "view/MonitorLink.h"
#include "view/NmeaFeed.h"

namespace korvance {

// Starts the monitor program as a child, so that the view can tell whether it still runs.
class MonitorProcess : public Process {
public:
    bool start(const std::string& program, const std::string& arguments) override;
    bool running() const { return process_ && process_->state() != QProcess::NotRunning; }

private:
    std::unique_ptr<QProcess> process_;
};

// The view window is also the host of the view's navigation: the QTimer
// that paces Garmin polling, the alarm's sound, and NMEA reception whose
// positions reach the view through calls run by this thread's event loop.
class ViewWidget : public QWidget, public ViewHost, public NavigationHost {
public:
    ViewWidget(CKorvanceDoc& doc, DialogHost& dialogs, ViewDialogs& viewDialogs, Sound& sound, FileChooser& chooser,
               QWidget* parent = nullptr);
    // Ends a running navigation first: its timer and reception live here.
    ~ViewWidget() override;

    CKorvanceView& view() { return *view_; }
    // Puts a position at the view centre (no look-ahead) and repaints.
    bool centreOn(double latitude, double longitude);

    ClientRect clientRect() const override { return ClientRect{0, 0, width(), height()}; }
    void redraw(bool erase) override;
    NavigationHost* navigationHost() override { return this; }
    uint32_t monitorToken() const override { return link_.token(); }
    bool monitorRunning() const override { return monitorProcess_.running(); }
    const MonitorLink& monitorLink() const { return link_; }
    // Takes what monitors sent (at most one budget of records a call).
    void pollMonitor();

    // Shown over the blank window while there is no map and no data.
    static const char* const kStartHint;
    bool isEmptyStart() const;

    // ---- NavigationHost
    NavigationTimer& navigationTimer() override { return timer_; }
    Sound& sound() override { return sound_; }
    bool startNmea(AppSettings& settings, UserPrompt& prompt) override;
    void stopNmea() override;
    void showStatus(const std::string& text) override;
    // What the main window's status line should say about navigation ("" nothing).
    const std::string& navigationStatus() const { return status_; }
    std::function<void()> statusChanged;
    // The NMEA reception of the running NMEA navigation (null when none runs).
    NmeaFeed* nmeaFeed() const { return feed_.get(); }
    // NMEA navigation reads this receiver of the program's own (the demo's)
    // instead of the settings' port, without offering a log of its sentences.
    void useOwnNmeaReceiver(const std::string& device) { nmeaOptions_ = {device, false}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CKorvanceDoc& doc_;
    std::unique_ptr<CKorvanceView> view_;
    QImage buffer_;
    MonitorProcess monitorProcess_;
    MonitorLink link_;
    QTimer monitorTimer_;
    Sound& sound_;
    FileChooser& chooser_;
    QtNavigationTimer timer_;
    QtCallQueue calls_;
    std::unique_ptr<NmeaFeed> feed_;
    NmeaStartOptions nmeaOptions_;
    std::string status_;
};

}  // namespace korvance
