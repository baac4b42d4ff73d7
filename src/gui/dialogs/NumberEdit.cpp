#include "gui/dialogs/NumberEdit.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

#include <algorithm>

namespace korvance {

NumberEdit::NumberEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setAccelerated(true);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& t) {
        if (edited) edited(t);
    });
}

void NumberEdit::setSpinRange(qint64 min, qint64 max) {
    min_ = min;
    max_ = std::max(min, max);
    updateGeometry();
    update();
}

QSize NumberEdit::sizeHint() const {
    ensurePolished();
    const qsizetype digits = std::max({QString::number(min_).size(), QString::number(max_).size(), qsizetype{2}}) + 1;
    const int width = fontMetrics().horizontalAdvance(QString(digits, QLatin1Char('0'))) + 6;
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, QSize(width, lineEdit()->sizeHint().height()),
                                     this);
}

void NumberEdit::setText(const QString& text) {
    if (lineEdit()->text() != text) lineEdit()->setText(text);
}

void NumberEdit::stepBy(int steps) {
    bool ok = false;
    qint64 value = lineEdit()->text().trimmed().toLongLong(&ok);
    // Into the spin range first, so that a huge typed number cannot overflow.
    value = ok ? std::clamp(value, min_, max_) : min_;
    value = std::clamp<qint64>(value + steps, min_, max_);
    lineEdit()->setText(QString::number(value));
    lineEdit()->selectAll();
    if (edited) edited(lineEdit()->text());
}

QValidator::State NumberEdit::validate(QString&, int&) const { return QValidator::Acceptable; }

QAbstractSpinBox::StepEnabled NumberEdit::stepEnabled() const {
    bool ok = false;
    const qint64 value = lineEdit()->text().trimmed().toLongLong(&ok);
    if (!ok) return StepUpEnabled | StepDownEnabled;
    StepEnabled e = StepNone;
    if (value < max_) e |= StepUpEnabled;
    if (value > min_) e |= StepDownEnabled;
    return e;
}

}  // namespace korvance
