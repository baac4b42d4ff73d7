#pragma once
// A number field with up/down arrows: the arrows move within the spin
// range, while typing is free, so that OK can name the range a typed number
// falls outside of (the dialog model checks it).

#include <QAbstractSpinBox>
#include <QLineEdit>

#include <functional>

namespace korvance {

class NumberEdit : public QAbstractSpinBox {
public:
    explicit NumberEdit(QWidget* parent = nullptr);
    void setSpinRange(qint64 min, qint64 max);
    QString text() const { return lineEdit()->text(); }
    void setText(const QString& text);

    // Wide enough for the longest number of the spin range.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

    QLineEdit* edit() const { return lineEdit(); }
    // Called with the text after each change by typing or by the arrows.
    std::function<void(const QString&)> edited;

protected:
    StepEnabled stepEnabled() const override;

private:
    qint64 min_ = 0;
    qint64 max_ = 0;
};

}  // namespace korvance
