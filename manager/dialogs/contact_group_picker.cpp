#include "manager/dialogs/contact_group_picker.h"

#include <QTreeView>
#include <QVBoxLayout>

#include "engine/syslog_engine.h"
#include "manager/dialogs/dialog_statements.h"

namespace trevalon {

ContactGroupPicker::ContactGroupPicker(QWidget& owner, SyslogEngine& engine, Picked picked,
                                       ReportFailure reportFailure)
    : QDialog(&owner, Qt::Dialog | Qt::WindowStaysOnTopHint),
      engine_(engine),
      picked_(std::move(picked)),
      reportFailure_(std::move(reportFailure)),
      groups_({"ID", "Group Name"}),
      list_(new QTreeView) {
    setWindowTitle("Contact Group");
    setModal(false);
    list_->setModel(&groups_);
    list_->setRootIsDecorated(false);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setColumnHidden(0, true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    resize(240, 280);
    connect(list_, &QTreeView::doubleClicked, this, [this] {
        const QModelIndexList selected = list_->selectionModel()->selectedRows();
        if (selected.isEmpty()) {
            return;
        }
        const QStringList& row = groups_.Row(selected.first().row());
        try {
            if (picked_(row.value(0).toLongLong(), row.value(1))) {
                close();
            }
        } catch (const std::exception& error) {
            reportFailure_("ERR90401", error);
        }
    });
}

void ContactGroupPicker::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    groups_.Clear();
    try {
        const QueryResult rows =
            engine_.DataModule().Connection().Query(dialog_statements::kSelectGroupsDescending);
        std::vector<QStringList> added;
        for (std::size_t row = 0; row < rows.RowCount(); ++row) {
            added.push_back({QString::fromStdString(rows.Text(row, "id")),
                             QString::fromStdString(rows.Text(row, "name"))});
        }
        groups_.AddOnTop(std::move(added));
    } catch (const std::exception& error) {
        reportFailure_("ERR90400", error);
    }
}

}  // namespace trevalon
