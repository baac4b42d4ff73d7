#pragma once
// The rows of a table editor for a QTableView: the cells are read from the
// dialog model on demand, so a list of thousands of waypoints opens at once,
// and an edit in place goes back through the model's own cell limits.

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include <functional>

#include "dialogs/EditorTable.h"

namespace korvance {

class EditorTableModel : public QAbstractTableModel {
public:
    using SetCell = std::function<bool(size_t row, size_t column, const std::string& text)>;
    EditorTableModel(const EditorTable& table, SetCell setCell, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // After a gesture changed the rows.
    void reload() {
        beginResetModel();
        endResetModel();
    }

private:
    const EditorTable& table_;
    SetCell setCell_;
};

// The in-place editor of a cell takes no more characters than the column allows.
class CellLimitDelegate : public QStyledItemDelegate {
public:
    CellLimitDelegate(const EditorTable& table, QObject* parent) : QStyledItemDelegate(parent), table_(table) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const EditorTable& table_;
};

}  // namespace korvance
