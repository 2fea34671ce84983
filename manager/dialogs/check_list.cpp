#include "manager/dialogs/check_list.h"

namespace trevalon {

void FillCheckList(QListWidget& list, const QStringList& names) {
    list.addItem("All");
    list.addItems(names);
    for (int row = 0; row < list.count(); ++row) {
        list.item(row)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        list.item(row)->setCheckState(Qt::Unchecked);
    }
}

bool IsTicked(const QListWidget& list, int row) {
    return list.item(row)->checkState() == Qt::Checked;
}

bool AnyTicked(const QListWidget& list) {
    for (int row = 0; row < list.count(); ++row) {
        if (IsTicked(list, row)) {
            return true;
        }
    }
    return false;
}

void SetTicked(QListWidget& list, int row, bool ticked) {
    list.item(row)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

}  // namespace trevalon
