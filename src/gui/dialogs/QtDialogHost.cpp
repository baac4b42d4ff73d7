#include "gui/dialogs/QtDialogHost.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

#include "dialogs/Pickers.h"
#include "dialogs/RouteEditor.h"
#include "dialogs/SettingsForms.h"
#include "dialogs/WaypointEditor.h"
#include "gui/dialogs/EditorTableModel.h"
#include "gui/dialogs/NumberEdit.h"

namespace korvance {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string ss(const QString& s) { return s.toStdString(); }

// OK and Cancel at the foot of a dialog. OK ends the dialog only when `ok` agrees.
QDialogButtonBox* okCancel(QDialog& dialog, std::function<bool()> ok) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, [&dialog, ok] {
        if (ok()) dialog.accept();
    });
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return box;
}

QPushButton* button(const char* text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(name);
    // Enter belongs to OK (or to the chooser's list), never to a side button.
    b->setAutoDefault(false);
    return b;
}

QLineEdit* lineEdit(const std::string& text, size_t limit, const char* name, QWidget* parent) {
    auto* e = new QLineEdit(qs(text), parent);
    e->setObjectName(name);
    // A text already longer than the limit is shown whole; OK names the limit.
    if (limit) e->setMaxLength(std::max(int(limit), int(e->text().size())));
    return e;
}

NumberEdit* numberEdit(const NumberField& field, const char* name, QWidget* parent) {
    auto* e = new NumberEdit(parent);
    e->setObjectName(name);
    e->setSpinRange(field.spinMin, field.spinMax);
    e->setText(qs(field.text));
    return e;
}

QCheckBox* checkBox(const char* text, bool checked, const char* name, QWidget* parent) {
    auto* c = new QCheckBox(QString::fromUtf8(text), parent);
    c->setObjectName(name);
    c->setChecked(checked);
    return c;
}

QComboBox* comboBox(const std::vector<std::string>& entries, int selected, const char* name, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    for (const std::string& e : entries) c->addItem(qs(e));
    c->setCurrentIndex(selected);
    return c;
}

// On a screen wider than tall a table editor takes 90 % of the screen's
// width (the screen its main window is on), keeping its height.
void widenOnLandscape(QDialog& dialog, QWidget* parent) {
    QScreen* screen = parent ? parent->screen() : QApplication::primaryScreen();
    if (!screen) return;
    const QSize size = screen->size();
    if (size.width() > size.height()) dialog.resize(int(size.width() * 0.9), dialog.sizeHint().height());
}

std::vector<size_t> selectedRows(const QTableView& view) {
    std::vector<size_t> rows;
    for (const QModelIndex& i : view.selectionModel()->selectedRows()) rows.push_back(size_t(i.row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

QTableView* tableView(EditorTableModel* model, const EditorTable& table, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setObjectName("table");
    view->setModel(model);
    view->setItemDelegate(new CellLimitDelegate(table, view));
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    view->setTabKeyNavigation(false);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    const auto columns = table.columns();
    int width = 0;
    for (size_t c = 0; c < columns.size(); ++c) {
        view->setColumnWidth(int(c), columns[c].width);
        width += columns[c].width;
    }
    view->setMinimumWidth(width + view->verticalHeader()->sizeHint().width() + 24);
    view->setMinimumHeight(240);
    return view;
}

// Keys of a table editor's list: Enter opens the form on the current row,
// Ctrl+Enter the waypoint picker, Delete deletes, Ctrl+Up/Down move a row.
class TableKeys : public QObject {
public:
    std::function<void()> enter, ctrlEnter, del, insert;
    std::function<void(int)> move;
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        auto run = [](const std::function<void()>& f) {
            if (!f) return false;
            f();
            return true;
        };
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return run(ctrl && ctrlEnter ? ctrlEnter : enter);
        case Qt::Key_Delete:
            return run(del);
        case Qt::Key_Insert:
            return run(insert);
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (!ctrl || !move) return false;
            move(key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        default:
            return false;
        }
    }
};

int currentRow(const QTableView& view) {
    const auto rows = selectedRows(view);
    if (!rows.empty()) return int(rows.front());
    return view.currentIndex().isValid() ? view.currentIndex().row() : -1;
}

void selectRow(QTableView& view, int row) {
    if (row < 0 || row >= view.model()->rowCount()) return;
    view.selectRow(row);
    view.scrollTo(view.model()->index(row, 0));
}

// A chooser list that ends its dialog on the first entry chosen: a click,
// or Enter on the entry under the cursor.
QListWidget* chooserList(QDialog& dialog, const std::vector<std::string>& entries, std::function<void(int)> chosen) {
    auto* list = new QListWidget(&dialog);
    list->setObjectName("list");
    for (const std::string& e : entries) list->addItem(qs(e));
    auto choose = [&dialog, chosen](QListWidgetItem* item) {
        chosen(item->listWidget()->row(item));
        dialog.accept();
    };
    QObject::connect(list, &QListWidget::itemClicked, &dialog, choose);
    QObject::connect(list, &QListWidget::itemActivated, &dialog, choose);
    return list;
}

// Lays the fields out above OK and Cancel and runs the dialog; `form` takes
// the values typed only when it ends with OK.
template <class Form>
bool runForm(QDialog& dialog, QLayout* fields, QDialogButtonBox* buttons, const Form& typed, Form& form) {
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    form = typed;
    return true;
}

}  // namespace

// ---- "Input Waypoint"

bool QtDialogHost::inputWaypoint(WaypointForm& form) {
    QDialog d(parent_);
    d.setWindowTitle(kInputWaypointTitle);
    auto* identifier = lineEdit(form.identifier, WaypointForm::kIdentifierChars, "identifier", &d);
    auto* zone = lineEdit(form.zone, WaypointForm::kNoLimit, "zone", &d);
    zone->setEnabled(form.zoneEnabled());
    auto* first = lineEdit(form.first, WaypointForm::kCoordinateChars, "first", &d);
    auto* second = lineEdit(form.second, WaypointForm::kCoordinateChars, "second", &d);
    auto* comment = lineEdit(form.comment, WaypointForm::kCommentChars, "comment", &d);
    auto* symbol = lineEdit(form.symbol, WaypointForm::kNoLimit, "symbol", &d);
    auto* fields = new QFormLayout;
    fields->addRow("Waypoint ID", identifier);
    fields->addRow(qs(form.zoneLabel), zone);
    fields->addRow(qs(form.firstLabel), first);
    fields->addRow(qs(form.secondLabel), second);
    fields->addRow("Comment", comment);
    fields->addRow("Symbol", symbol);
    comment->setMinimumWidth(comment->fontMetrics().averageCharWidth() * 42);
    WaypointForm typed = form;
    auto* buttons = okCancel(d, [&] {
        typed.identifier = ss(identifier->text());
        typed.zone = ss(zone->text());
        typed.first = ss(first->text());
        typed.second = ss(second->text());
        typed.comment = ss(comment->text());
        typed.symbol = ss(symbol->text());
        return typed.validate(prompt_);
    });
    return runForm(d, fields, buttons, typed, form);
}

// ---- the choosers

std::optional<uint32_t> QtDialogHost::pickWaypoint(const WaypointList& list) {
    QDialog d(parent_);
    d.setWindowTitle(" ");
    std::optional<uint32_t> chosen;
    auto* entries = chooserList(d, waypointPickerEntries(list), [&](int row) { chosen = uint32_t(row); });
    auto* cancel = button("Cancel", "cancel", &d);
    QObject::connect(cancel, &QPushButton::clicked, &d, &QDialog::reject);
    auto* layout = new QVBoxLayout(&d);
    layout->addWidget(entries);
    layout->addWidget(cancel);
    d.resize(240, 320);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return chosen;
}

std::optional<RouteChoice> QtDialogHost::selectRouteByName(const CRouteField& routes) {
    QDialog d(parent_);
    d.setWindowTitle(kSelectRouteByNameTitle);
    auto* invert = checkBox(kInvertLabel, false, "invert", &d);
    std::optional<RouteChoice> chosen;
    // "Invert" is read at the moment the entry is chosen.
    auto* entries = chooserList(d, routeNameEntries(routes),
                                [&](int row) { chosen = RouteChoice{uint32_t(row), invert->isChecked()}; });
    auto* cancel = button("Cancel", "cancel", &d);
    QObject::connect(cancel, &QPushButton::clicked, &d, &QDialog::reject);
    auto* layout = new QVBoxLayout(&d);
    layout->addWidget(entries);
    auto* row = new QHBoxLayout;
    row->addWidget(invert);
    row->addStretch();
    row->addWidget(cancel);
    layout->addLayout(row);
    d.resize(260, 320);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return chosen;
}

std::optional<int32_t> QtDialogHost::selectRouteNumber() {
    QDialog d(parent_);
    d.setWindowTitle(kSelectRouteNoTitle);
    auto* number = numberEdit(NumberField{"0", kRouteNumberMin, kRouteNumberMax, kRouteNumberMin, kRouteNumberMax},
                              "number", &d);
    std::optional<int32_t> chosen;
    auto* buttons = okCancel(d, [&] {
        chosen = readRouteNumber(ss(number->text()), prompt_);
        return chosen.has_value();
    });
    auto* fields = new QFormLayout;
    fields->addRow(kRouteNoLabel, number);
    auto* layout = new QVBoxLayout(&d);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return chosen;
}

// ---- the waypoint list editor

int QtDialogHost::editWaypoints(WaypointEditor& editor) {
    QDialog d(parent_);
    d.setWindowTitle("Edit Waypoint");
    auto* model = new EditorTableModel(
        editor.table(), [&editor](size_t r, size_t c, const std::string& t) { return editor.setCell(r, c, t); }, &d);
    QTableView* view = tableView(model, editor.table(), &d);
    auto* add = button(kAddButton, "add", &d);
    auto* remove = button(kDeleteButton, "delete", &d);

    auto addRow = [&] {
        const auto row = editor.add();
        model->reload();
        if (row) selectRow(*view, int(*row));
        // The last row is brought into view.
        if (model->rowCount() > 0) view->scrollToBottom();
    };
    auto deleteRows = [&] {
        editor.deleteRows(selectedRows(*view));
        model->reload();
    };
    auto editRow = [&] {
        const int row = currentRow(*view);
        if (row < 0) return;
        editor.editRow(size_t(row));
        model->reload();
        selectRow(*view, row);
    };
    QObject::connect(add, &QPushButton::clicked, &d, addRow);
    QObject::connect(remove, &QPushButton::clicked, &d, deleteRows);
    QObject::connect(view, &QTableView::doubleClicked, &d, [&](const QModelIndex& index) {
        selectRow(*view, index.row());
        editRow();
    });
    auto* keys = new TableKeys(&d);
    keys->enter = editRow;
    keys->del = deleteRows;
    view->installEventFilter(keys);

    auto* buttons = okCancel(d, [&] {
        const bool ok = editor.ok();
        if (!ok) model->reload();
        return ok;
    });
    auto* side = new QHBoxLayout;
    side->addWidget(add);
    side->addWidget(remove);
    side->addStretch();
    side->addWidget(buttons);
    auto* layout = new QVBoxLayout(&d);
    layout->addWidget(view);
    layout->addLayout(side);
    widenOnLandscape(d, parent_);
    return d.exec() == QDialog::Accepted ? kDialogOk : kDialogCancel;
}

// ---- the route editor

int QtDialogHost::editRoutes(RouteEditor& editor) {
    QDialog d(parent_);
    d.setWindowTitle("Edit Route");
    auto* number = new NumberEdit(&d);
    number->setObjectName("routeNumber");
    auto* name = new QLineEdit(&d);
    name->setObjectName("routeName");
    auto* rtNew = button(kRtNewButton, "rtNew", &d);
    auto* rtDel = button(kRtDelButton, "rtDel", &d);
    auto* upload = button(kUpLoadButton, "upload", &d);
    auto* model = new EditorTableModel(
        editor.table(), [&editor](size_t r, size_t c, const std::string& t) { return editor.setCell(r, c, t); }, &d);
    QTableView* view = tableView(model, editor.table(), &d);
    auto* add = button("Add", "add", &d);
    auto* insert = button(kInsertButton, "insert", &d);
    auto* remove = button("Delete", "delete", &d);

    // The fields follow the model after every gesture.
    auto sync = [&] {
        number->setSpinRange(0, std::max<int64_t>(int64_t(editor.routeCount()) - 1, 0));
        number->setText(qs(editor.routeNumberText()));
        if (name->text() != qs(editor.routeName())) name->setText(qs(editor.routeName()));
        model->reload();
    };
    number->edited = [&](const QString& text) {
        editor.routeNumberChanged(ss(text));
        sync();
    };
    QObject::connect(name, &QLineEdit::textEdited, &d, [&](const QString& t) { editor.setRouteName(ss(t)); });
    QObject::connect(rtNew, &QPushButton::clicked, &d, [&] {
        editor.newRoute();
        sync();
    });
    QObject::connect(rtDel, &QPushButton::clicked, &d, [&] {
        editor.deleteRoute();
        sync();
    });
    QObject::connect(upload, &QPushButton::clicked, &d, [&] {
        if (editor.ok()) d.done(kDialogUpload);
    });
    auto rowGesture = [&](auto gesture) {
        const int row = currentRow(*view);
        if (row < 0) return;
        gesture(size_t(row));
        model->reload();
        selectRow(*view, row);
    };
    QObject::connect(add, &QPushButton::clicked, &d, [&] {
        const auto row = editor.add();
        model->reload();
        if (row) selectRow(*view, int(*row));
        if (model->rowCount() > 0) view->scrollToBottom();
    });
    auto insertRow = [&] {
        const auto row = editor.insert(selectedRows(*view));
        model->reload();
        if (row) selectRow(*view, int(*row));
    };
    QObject::connect(insert, &QPushButton::clicked, &d, insertRow);
    auto deleteRows = [&] {
        editor.deleteRows(selectedRows(*view));
        model->reload();
    };
    QObject::connect(remove, &QPushButton::clicked, &d, deleteRows);
    QObject::connect(view, &QTableView::clicked, &d, [&](const QModelIndex& index) {
        if (!(QApplication::keyboardModifiers() & Qt::ControlModifier)) return;
        editor.pickRow(size_t(index.row()));
        model->reload();
        selectRow(*view, index.row());
    });
    QObject::connect(view, &QTableView::doubleClicked, &d, [&](const QModelIndex& index) {
        selectRow(*view, index.row());
        rowGesture([&](size_t row) { editor.editRow(row); });
    });
    auto* keys = new TableKeys(&d);
    keys->enter = [&] { rowGesture([&](size_t row) { editor.editRow(row); }); };
    keys->ctrlEnter = [&] { rowGesture([&](size_t row) { editor.pickRow(row); }); };
    keys->del = deleteRows;
    keys->insert = insertRow;
    // The rows change places; the selection stays on its index.
    keys->move = [&](int direction) {
        const int row = currentRow(*view);
        if (row < 0) return;
        editor.moveRow(size_t(row), direction);
        model->reload();
        selectRow(*view, row);
    };
    view->installEventFilter(keys);

    auto* buttons = okCancel(d, [&] { return editor.ok(); });
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Route No.", &d));
    top->addWidget(number);
    top->addWidget(new QLabel("Name", &d));
    top->addWidget(name, 1);
    top->addWidget(rtNew);
    top->addWidget(rtDel);
    top->addWidget(upload);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(add);
    bottom->addWidget(insert);
    bottom->addWidget(remove);
    bottom->addStretch();
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(&d);
    layout->addLayout(top);
    layout->addWidget(view);
    layout->addLayout(bottom);
    sync();
    widenOnLandscape(d, parent_);
    const int result = d.exec();
    if (result == kDialogUpload) return kDialogUpload;
    return result == QDialog::Accepted ? kDialogOk : kDialogCancel;
}

std::optional<int32_t> QtDialogHost::confirmUploadRoute(int32_t routeNumber) {
    QDialog d(parent_);
    d.setWindowTitle(kConfirmUploadTitle);
    auto* number = new NumberEdit(&d);
    number->setObjectName("number");
    number->setSpinRange(0, 255);
    number->setText(QString::number(routeNumber));
    std::optional<int32_t> chosen;
    auto* buttons = okCancel(d, [&] {
        chosen = readUploadRouteNumber(ss(number->text()), prompt_);
        return chosen.has_value();
    });
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(kConfirmUploadText, &d));
    row->addWidget(number);
    auto* layout = new QVBoxLayout(&d);
    layout->addLayout(row);
    layout->addWidget(buttons);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return chosen;
}

// ---- the settings dialogs

bool QtDialogHost::preference(PreferenceForm& form) {
    QDialog d(parent_);
    d.setWindowTitle(kPreferenceTitle);
    auto* datum = comboBox(form.datumNames, form.datum, "datum", &d);
    auto* unit = comboBox(form.units, form.unit, "unit", &d);
    auto* logInterval = numberEdit(form.logInterval, "logInterval", &d);
    auto* nmea = lineEdit(form.nmeaSentence, PreferenceForm::kNmeaSentenceChars, "nmeaSentence", &d);
    auto* onlyValid = checkBox("Save only valid NMEA Sentence", form.saveOnlyValidNmea, "saveOnlyValidNmea", &d);
    auto* centering = checkBox("Centering Always", form.centeringAlways, "centeringAlways", &d);
    auto* utm = checkBox("Coordinate UTM", form.coordinateUtm, "coordinateUtm", &d);
    auto* autoMap = checkBox("Auto Map change", form.autoMapChange, "autoMapChange", &d);
    auto* blink = checkBox("Blink Navigation Cursor", form.blinkNavigationCursor, "blinkNavigationCursor", &d);
    auto* fields = new QFormLayout;
    fields->addRow("Map Datum", datum);
    fields->addRow("Unit", unit);
    fields->addRow("Log Interval[sec]", logInterval);
    fields->addRow("Save NMEA", nmea);
    PreferenceForm typed = form;
    auto* buttons = okCancel(d, [&] {
        typed.datum = datum->currentIndex();
        typed.unit = unit->currentIndex();
        typed.logInterval.text = ss(logInterval->text());
        typed.nmeaSentence = ss(nmea->text());
        typed.saveOnlyValidNmea = onlyValid->isChecked();
        typed.centeringAlways = centering->isChecked();
        typed.coordinateUtm = utm->isChecked();
        typed.autoMapChange = autoMap->isChecked();
        typed.blinkNavigationCursor = blink->isChecked();
        return typed.validate(prompt_);
    });
    for (QCheckBox* c : {onlyValid, centering, utm, autoMap, blink}) fields->addRow(c);
    return runForm(d, fields, buttons, typed, form);
}

bool QtDialogHost::gpsSetting(GpsSettingForm& form) {
    QDialog d(parent_);
    d.setWindowTitle(kGpsSettingTitle);
    auto* model = comboBox(form.models, form.model, "model", &d);
    auto* port = numberEdit(form.commPort, "commPort", &d);
    auto* rate = comboBox(form.baudRates, form.baudRate, "baudRate", &d);
    // Which device the number stands for here, as the port number is typed.
    auto* device = new QLabel(&d);
    device->setObjectName("portDevice");
    const auto showDevice = [&form, device](const QString& text) {
        device->setText(QString::fromStdString(form.portDevice(text.toInt())));
    };
    showDevice(port->text());
    QObject::connect(port->edit(), &QLineEdit::textChanged, device, showDevice);
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(port);
    portRow->addWidget(device, 1);
    auto* fields = new QFormLayout;
    fields->addRow("GPS Model", model);
    fields->addRow("COM Port", portRow);
    fields->addRow("Max Baudrate", rate);
    GpsSettingForm typed = form;
    auto* buttons = okCancel(d, [&] {
        typed.model = model->currentIndex();
        typed.commPort.text = ss(port->text());
        typed.baudRate = rate->currentIndex();
        return typed.validate(prompt_);
    });
    return runForm(d, fields, buttons, typed, form);
}

bool QtDialogHost::pen(PenForm& form) {
    QDialog d(parent_);
    d.setWindowTitle(kPenTitle);
    auto* grid = new QGridLayout;
    const char* heads[] = {"R", "G", "B"};
    for (int c = 0; c < 3; ++c) grid->addWidget(new QLabel(heads[c], &d), 0, c + 1, Qt::AlignHCenter);
    NumberEdit* edits[3][3];
    for (size_t r = 0; r < 3; ++r) {
        grid->addWidget(new QLabel(PenForm::kRows[r], &d), int(r) + 1, 0);
        NumberField* parts[] = {&form.colours[r].red, &form.colours[r].green, &form.colours[r].blue};
        for (int c = 0; c < 3; ++c) {
            const std::string name = std::string(PenForm::kRows[r]) + heads[c];
            edits[r][c] = numberEdit(*parts[c], name.c_str(), &d);
            grid->addWidget(edits[r][c], int(r) + 1, c + 1);
        }
    }
    auto* width = numberEdit(form.width, "penWidth", &d);
    grid->addWidget(new QLabel("Pen Width", &d), 4, 0);
    grid->addWidget(width, 4, 1);
    PenForm typed = form;
    auto* buttons = okCancel(d, [&] {
        for (size_t r = 0; r < 3; ++r) {
            typed.colours[r].red.text = ss(edits[r][0]->text());
            typed.colours[r].green.text = ss(edits[r][1]->text());
            typed.colours[r].blue.text = ss(edits[r][2]->text());
        }
        typed.width.text = ss(width->text());
        return typed.validate(prompt_);
    });
    return runForm(d, grid, buttons, typed, form);
}

bool QtDialogHost::alarm(AlarmForm& form) {
    QDialog d(parent_);
    d.setWindowTitle(kAlarmTitle);
    auto* enabled = checkBox("Waypoint Alarm", form.waypointAlarm, "waypointAlarm", &d);
    auto* distance = numberEdit(form.distance, "distance", &d);
    auto* file = lineEdit(form.alarmFile, 0, "alarmFile", &d);
    file->setMinimumWidth(file->fontMetrics().averageCharWidth() * 40);
    auto* browse = button("...", "browse", &d);
    AlarmForm typed = form;
    QObject::connect(browse, &QPushButton::clicked, &d, [&] {
        typed.alarmFile = ss(file->text());
        typed.browse(chooser_);
        file->setText(qs(typed.alarmFile));
    });
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file, 1);
    fileRow->addWidget(browse);
    auto* fields = new QFormLayout;
    fields->addRow(enabled);
    fields->addRow("Waypoint Alarm Distance[m]", distance);
    fields->addRow("Alarm File", fileRow);
    auto* buttons = okCancel(d, [&] {
        typed.waypointAlarm = enabled->isChecked();
        typed.distance.text = ss(distance->text());
        typed.alarmFile = ss(file->text());
        return typed.validate(prompt_);
    });
    return runForm(d, fields, buttons, typed, form);
}

}  // namespace korvance
