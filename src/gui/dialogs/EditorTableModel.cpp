#include "gui/dialogs/EditorTableModel.h"

#include <QLineEdit>

namespace korvance {

EditorTableModel::EditorTableModel(const EditorTable& table, SetCell setCell, QObject* parent)
    : QAbstractTableModel(parent), table_(table), setCell_(std::move(setCell)) {}

int EditorTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(table_.rowCount());
}

int EditorTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(table_.columns().size());
}

QVariant EditorTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return QString::fromStdString(table_.cell(size_t(index.row()), size_t(index.column())));
}

QVariant EditorTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (section < 0 || size_t(section) >= table_.columns().size()) return {};
    return QString::fromUtf8(table_.columns()[size_t(section)].title);
}

Qt::ItemFlags EditorTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool EditorTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    if (!setCell_(size_t(index.row()), size_t(index.column()), value.toString().toStdString())) return false;
    emit dataChanged(index, index);
    return true;
}

QWidget* CellLimitDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    auto* line = qobject_cast<QLineEdit*>(editor);
    const size_t column = size_t(index.column());
    if (line && column < table_.columns().size() && table_.columns()[column].editLimit)
        line->setMaxLength(int(table_.columns()[column].editLimit));
    return editor;
}

}  // namespace korvance
