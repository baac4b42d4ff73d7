#include "gui/QtViewDialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "data/TextUtil.h"
#include "data/WaypointList.h"

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

bool QtViewDialogs::inputWaypoint(WaypointForm& form) {
    QDialog d(parent_);
    d.setWindowTitle("Input Waypoint");
    d.setObjectName("InputWaypoint");
    auto* layout = new QFormLayout(&d);
    auto edit = [&](const std::string& label, const std::string& value, const char* name) {
        auto* e = new QLineEdit(q(value), &d);
        e->setObjectName(name);
        layout->addRow(q(label), e);
        return e;
    };
    auto* id = edit("ID", form.identifier, "identifier");
    QLineEdit* zone = form.zoneEnabled() ? edit(form.zoneLabel, form.zone, "zone") : nullptr;
    auto* first = edit(form.firstLabel, form.first, "first");
    auto* second = edit(form.secondLabel, form.second, "second");
    auto* comment = edit("Comment", form.comment, "comment");
    auto* symbol = edit("Symbol", form.symbol, "symbol");
    layout->addRow(okCancel(d));
    for (;;) {  // a field over its limit keeps the form open
        if (d.exec() != QDialog::Accepted) return false;
        WaypointForm typed = form;
        typed.identifier = s(id->text());
        if (zone) typed.zone = s(zone->text());
        typed.first = s(first->text());
        typed.second = s(second->text());
        typed.comment = s(comment->text());
        typed.symbol = s(symbol->text());
        if (!typed.validate(prompt_)) continue;
        form = typed;
        return true;
    }
}

std::optional<size_t> QtViewDialogs::pickFrom(const QString& title, const std::vector<std::string>& entries) {
    QDialog d(parent_);
    d.setWindowTitle(title);
    d.setObjectName("Picker");
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

std::optional<uint32_t> QtViewDialogs::pickWaypoint(const WaypointList& list) {
    std::vector<std::string> ids;
    for (uint32_t i = 0; i < list.count(); ++i) ids.push_back(oemToUi(list.codePage(), list.identifier(i), 16));
    const auto chosen = pickFrom(QString(), ids);
    if (!chosen) return std::nullopt;
    return static_cast<uint32_t>(*chosen);
}

std::optional<size_t> QtViewDialogs::selectMap(const std::vector<std::string>& entries) {
    return pickFrom("Select Map", entries);
}

std::optional<int32_t> QtViewDialogs::selectRouteNumber() {
    QDialog d(parent_);
    d.setWindowTitle("Select Route No.");
    auto* layout = new QFormLayout(&d);
    auto* spin = new QSpinBox(&d);
    spin->setRange(0, 99);
    layout->addRow("Route No.", spin);
    layout->addRow(okCancel(d));
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return spin->value();
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
