#include "gui/ViewWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <QRandomGenerator>

#include "qtplatform/QtCanvas.h"

namespace korvance {

bool MonitorProcess::start(const std::string& program, const std::string& arguments) {
    process_ = std::make_unique<QProcess>();
    process_->setProgram(QString::fromStdString(program));
    process_->setArguments(QProcess::splitCommand(QString::fromStdString(arguments)));
    process_->start();
    return process_->waitForStarted(5000);
}

ViewWidget::ViewWidget(CKorvanceDoc& doc, DialogHost& dialogs, ViewDialogs& viewDialogs, Sound& sound,
                       FileChooser& chooser, QWidget* parent)
    : QWidget(parent), doc_(doc),
      view_(std::make_unique<CKorvanceView>(doc, *this, dialogs, viewDialogs, &monitorProcess_)), sound_(sound),
      chooser_(chooser) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(160, 120);
    // The token names this window's socket; a monitor started by the view gets it.
    std::string problem;
    if (!link_.open(QRandomGenerator::system()->generate() | 1u, problem))
        qWarning("korvance: no monitor link: %s", problem.c_str());
    connect(&monitorTimer_, &QTimer::timeout, this, [this] { pollMonitor(); });
    monitorTimer_.start(20);
}

void ViewWidget::pollMonitor() {
    if (!doc_.isOpen()) return;
    // Records of a monitor are read only while a monitor run is on; a flood is
    // taken one budget a tick, so the window keeps answering.
    if (!view_->monitorActive) {
        link_.poll([](int32_t, int32_t) {}, 64);
        return;
    }
    link_.poll([this](int32_t item, int32_t value) { view_->monitorMessage(item, value); }, 64);
}

ViewWidget::~ViewWidget() {
    // The view's own destructor would end navigation too, but only after the
    // timer and the reception it uses are gone.
    view_->closeNavigation();
    feed_.reset();
}

bool ViewWidget::startNmea(AppSettings& settings, UserPrompt& prompt) {
    feed_ = std::make_unique<NmeaFeed>([this](NmeaFeed::Call call) { calls_.post(std::move(call)); });
    feed_->onConnectionChanged = [this](const std::string& problem) { showStatus(problem); };
    if (feed_->start(settings, prompt, chooser_, [this](const NmeaPosition& p) { view_->nmeaPosition(p); },
                     nmeaOptions_))
        return true;
    feed_.reset();
    return false;
}

void ViewWidget::stopNmea() {
    if (!feed_) return;
    // Stops the reader at once, even while it waits for a position to be
    // taken; a call of it still queued finds nothing to take.
    feed_->stop();
    feed_->onConnectionChanged = nullptr;
    // Deleted by the event loop after the calls queued before: this may run
    // inside one of the feed's own calls (the tick).
    calls_.post([retired = std::shared_ptr<NmeaFeed>(std::move(feed_))] {});
    showStatus({});
}

void ViewWidget::showStatus(const std::string& text) {
    status_ = text;
    if (statusChanged) statusChanged();
}

void ViewWidget::redraw(bool) { update(); }

bool ViewWidget::centreOn(double latitude, double longitude) {
    const int ok = doc_.maps().CentreOn(view_->viewRect(), latitude, longitude, -999, doc_.prompt());
    update();
    return ok == 1;
}

void ViewWidget::showEvent(QShowEvent*) { view_->takeOrientation(); }

// The window is this program's screen: a window made higher than wide turns
// the layout to portrait (the data field at the bottom), and back.
void ViewWidget::resizeEvent(QResizeEvent*) {
    view_->takeOrientation();
    view_->clientResized();
}

const char* const ViewWidget::kStartHint =
    "No map and no data yet.\n\n"
    "Load a map: File > Load Map...\n"
    "Connect a receiver: Option > GPS..., then GPS > Download Track\n"
    "Or watch it at work: korvance --demo";

void ViewWidget::paintEvent(QPaintEvent*) {
    if (!doc_.isOpen()) return;
    if (buffer_.size() != size()) buffer_ = QImage(size(), QImage::Format_RGB32);
    buffer_.fill(Qt::white);
    {
        QtCanvas canvas(buffer_);
        view_->paint(canvas);
    }
    QPainter painter(this);
    painter.drawImage(0, 0, buffer_);
    if (isEmptyStart()) {
        // What to do first, on a window that would otherwise stay white.
        painter.setPen(QColor(0x60, 0x60, 0x60));
        painter.drawText(rect().adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap, kStartHint);
    }
}

bool ViewWidget::isEmptyStart() const {
    if (doc_.maps().hasMap() || doc_.waypoints().count() > 0) return false;
    const TrackField* track = doc_.trackLog().track.get();
    if (track && track->pointCount() > 0) return false;
    for (const auto& route : doc_.routes().routes())
        if (!route.waypoints.empty()) return false;
    return true;
}

void ViewWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    view_->penDown(p.x(), p.y(), event->modifiers() & Qt::ControlModifier, event->modifiers() & Qt::ShiftModifier);
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    view_->penMove(p.x(), p.y(), event->buttons() & Qt::LeftButton, event->modifiers() & Qt::ControlModifier,
                   event->modifiers() & Qt::ShiftModifier);
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    view_->penUp(p.x(), p.y(), event->modifiers() & Qt::ControlModifier, event->modifiers() & Qt::ShiftModifier);
}

void ViewWidget::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up: view_->keyDown(ViewKey::Up); return;
        case Qt::Key_Down: view_->keyDown(ViewKey::Down); return;
        case Qt::Key_Left: view_->keyDown(ViewKey::Left); return;
        case Qt::Key_Right: view_->keyDown(ViewKey::Right); return;
        case Qt::Key_Return:
        case Qt::Key_Enter: view_->keyDown(ViewKey::Enter); return;
        default: break;
    }
    const QString text = event->text();
    if (text.size() == 1 && !(event->modifiers() & Qt::ControlModifier) && text[0].unicode() >= 0x20) {
        view_->character(text[0].unicode());
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace korvance
