#include "manager/main_window/list_view.h"

#include <QHeaderView>
#include <QStyle>
#include <QTreeView>

#include <algorithm>

namespace trevalon {

QTreeView* MakeListView(QAbstractItemModel& model, const QString& hint, bool severalRows) {
    auto* list = new QTreeView;
    list->setModel(&model);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(severalRows ? QAbstractItemView::ExtendedSelection
                                       : QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setStatusTip(hint);
    list->header()->setSectionsClickable(true);
    list->header()->setStretchLastSection(true);
    return list;
}

int DateTimeWidth(const QTreeView& list, int width) {
    return std::max(width, list.fontMetrics().horizontalAdvance("0000-00-00 00:00:00") +
                               list.style()->pixelMetric(QStyle::PM_SmallIconSize) + 24);
}

void SortByHeader(QTreeView& list, int column, std::span<bool> ascending) {
    if (column < 0 || static_cast<std::size_t>(column) >= ascending.size()) {
        return;
    }
    bool& flag = ascending[static_cast<std::size_t>(column)];
    list.model()->sort(column, flag ? Qt::AscendingOrder : Qt::DescendingOrder);
    flag = !flag;
}

}  // namespace trevalon
