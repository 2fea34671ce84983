#pragma once

// The rows of a live list, newest on top, capped, with the list's alternating colours and its
// sort; the message and alarm lists add what is theirs.

#include <QAbstractTableModel>
#include <QStringList>

#include <cstddef>
#include <deque>
#include <vector>

namespace trevalon {

class ListRowsModel : public QAbstractTableModel {
  public:
    // Cells per row: the caption, then the sub-items, one per column.
    explicit ListRowsModel(QStringList captions, QObject* parent = nullptr);

    // 0: no cap.
    void SetCap(std::size_t cap);
    // `rows` oldest first; each goes on top, as if added one by one, and the cap applies.
    void AddOnTop(std::vector<QStringList> rows);
    void Clear();
    // Rows by index, in any order.
    void RemoveRows(std::vector<int> rows);
    const QStringList& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    const QStringList& Captions() const { return captions_; }

    // Locale-aware, case-sensitive, by the cell at `column` (a missing cell counts as empty).
    void sort(int column, Qt::SortOrder order) override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  protected:
    QStringList& MutableRow(int row) { return rows_[static_cast<std::size_t>(row)]; }

  private:
    const QStringList captions_;
    std::size_t cap_ = 0;
    std::deque<QStringList> rows_;
};

}  // namespace trevalon
