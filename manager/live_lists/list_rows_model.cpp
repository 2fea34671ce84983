#include "manager/live_lists/list_rows_model.h"

#include <QBrush>
#include <QColor>

#include <algorithm>
#include <functional>

namespace trevalon {
namespace {

const QColor kOddRowBackground(0xB7, 0xB7, 0xFF);

QString CellOf(const QStringList& row, int column) {
    return column < row.size() ? row[column] : QString();
}

}  // namespace

ListRowsModel::ListRowsModel(QStringList captions, QObject* parent)
    : QAbstractTableModel(parent), captions_(std::move(captions)) {}

void ListRowsModel::SetCap(std::size_t cap) {
    cap_ = cap;
    if (cap_ != 0 && rows_.size() > cap_) {
        beginRemoveRows(QModelIndex(), static_cast<int>(cap_), static_cast<int>(rows_.size()) - 1);
        rows_.resize(cap_);
        endRemoveRows();
    }
}

void ListRowsModel::AddOnTop(std::vector<QStringList> rows) {
    if (rows.empty()) {
        return;
    }
    // Rows that the cap would push out at once are never shown.
    const std::size_t keep = cap_ == 0 ? rows.size() : std::min(rows.size(), cap_);
    const std::size_t total = rows_.size() + keep;
    const std::size_t pushedOut = cap_ != 0 && total > cap_ ? total - cap_ : 0;
    if (pushedOut > 0) {
        beginRemoveRows(QModelIndex(), static_cast<int>(rows_.size() - pushedOut),
                        static_cast<int>(rows_.size()) - 1);
        rows_.resize(rows_.size() - pushedOut);
        endRemoveRows();
    }
    beginInsertRows(QModelIndex(), 0, static_cast<int>(keep) - 1);
    for (std::size_t at = rows.size() - keep; at < rows.size(); ++at) {
        rows_.push_front(std::move(rows[at]));
    }
    endInsertRows();
}

void ListRowsModel::Clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void ListRowsModel::RemoveRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (const int row : rows) {
        if (row >= 0 && static_cast<std::size_t>(row) < rows_.size()) {
            beginRemoveRows(QModelIndex(), row, row);
            rows_.erase(rows_.begin() + row);
            endRemoveRows();
        }
    }
}

void ListRowsModel::sort(int column, Qt::SortOrder order) {
    emit layoutAboutToBeChanged();
    std::stable_sort(rows_.begin(), rows_.end(), [&](const QStringList& a, const QStringList& b) {
        const int compared = QString::localeAwareCompare(CellOf(a, column), CellOf(b, column));
        return order == Qt::AscendingOrder ? compared < 0 : compared > 0;
    });
    emit layoutChanged();
}

int ListRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ListRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QVariant ListRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        return CellOf(Row(index.row()), index.column());
    }
    if (role == Qt::BackgroundRole && index.row() % 2 == 1) {
        return QBrush(kOddRowBackground);
    }
    return {};
}

QVariant ListRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < captions_.size()) {
        return captions_[section];
    }
    return {};
}

}  // namespace trevalon
