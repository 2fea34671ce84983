#pragma once

// The report-view lists of the manager's windows: how they are made, how wide the time column
// is, and the header click that sorts them.

#include <QString>

#include <span>

class QAbstractItemModel;
class QTreeView;

namespace trevalon {

// Whole-row selection, read-only, sortable by a header click; `severalRows`: extended selection.
QTreeView* MakeListView(QAbstractItemModel& model, const QString& hint, bool severalRows);

// Wide enough for "yyyy-MM-dd HH:mm:ss" in the list's font beside a row picture, and never
// under `width`.
int DateTimeWidth(const QTreeView& list, int width);

// Sorts `list` by `column` in the direction its flag in `ascending` holds, then flips the flag.
// A column without a flag is not sorted.
void SortByHeader(QTreeView& list, int column, std::span<bool> ascending);

}  // namespace trevalon
