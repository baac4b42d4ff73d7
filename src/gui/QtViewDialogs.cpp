#include "gui/QtViewDialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>


namespace korvance {

namespace {

QString q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string s(const QString& t) { return t.toUtf8().toStdString(); }

QDialogButtonBox* okCancel(QDialog& d, const QString& okText = {}) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    if (!okText.isEmpty()) box->button(QDialogButtonBox::Ok)->setText(okText);
    QObject::connect(box, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    return box;
}

}  // namespace

std::optional<size_t> QtViewDialogs::selectMap(const std::vector<std::string>& entries) {
    QDialog d(parent_);
    d.setWindowTitle("Select Map");
    d.setObjectName("SelectMap");
    auto* layout = new QVBoxLayout(&d);
    auto* list = new QListWidget(&d);
    for (const std::string& e : entries) list->addItem(q(e));
    layout->addWidget(list);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Cancel, &d);
    QObject::connect(box, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    layout->addWidget(box);
    std::optional<size_t> chosen;
    QObject::connect(list, &QListWidget::currentRowChanged, &d, [&](int row) {
        if (row < 0) return;
        chosen = static_cast<size_t>(row);
        d.accept();
    });
    d.exec();
    return chosen;
}

bool QtViewDialogs::calibrateMap(CalibrateMapForm& form) {
    QDialog d(parent_);
    d.setWindowTitle("Calibrate Map");
    d.setObjectName("CalibrateMap");
    auto* layout = new QFormLayout(&d);
    auto number = [&](int v) {
        auto* l = new QLabel(QString::number(v), &d);
        return l;
    };
    auto text = [&](const std::string& v, bool enabled) {
        auto* e = new QLineEdit(q(v), &d);
        e->setEnabled(enabled);
        return e;
    };
    const bool one = form.settingPoint1;
    layout->addRow("P1 X", number(form.p1x));
    layout->addRow("P1 Y", number(form.p1y));
    auto* p1lon = text(form.p1Longitude, one);
    auto* p1lat = text(form.p1Latitude, one);
    layout->addRow("P1 Lon", p1lon);
    layout->addRow("P1 Lat", p1lat);
    layout->addRow("P2 X", number(form.p2x));
    layout->addRow("P2 Y", number(form.p2y));
    auto* p2lon = text(form.p2Longitude, !one);
    auto* p2lat = text(form.p2Latitude, !one);
    layout->addRow("P2 Lon", p2lon);
    layout->addRow("P2 Lat", p2lat);
    auto* waypoints = new QComboBox(&d);
    for (const auto& w : form.waypoints) waypoints->addItem(q(w.identifier));
    layout->addRow(waypoints);
    QObject::connect(waypoints, &QComboBox::activated, &d, [&](int i) {
        form.chooseWaypoint(static_cast<size_t>(i));
        p1lon->setText(q(form.p1Longitude));
        p1lat->setText(q(form.p1Latitude));
        p2lon->setText(q(form.p2Longitude));
        p2lat->setText(q(form.p2Latitude));
    });
    layout->addRow(okCancel(d, "Apply"));
    if (d.exec() != QDialog::Accepted) return false;
    form.p1Longitude = s(p1lon->text());
    form.p1Latitude = s(p1lat->text());
    form.p2Longitude = s(p2lon->text());
    form.p2Latitude = s(p2lat->text());
    return true;
}

}  // namespace korvance
