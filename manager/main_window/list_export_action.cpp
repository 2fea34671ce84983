#include "manager/main_window/list_export_action.h"

#include <QFileDialog>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QTreeView>

#include <algorithm>
#include <exception>

#include "foundation/diagnostic_log.h"
#include "manager/live_lists/list_rows_model.h"
#include "manager/main_window/qt_text.h"

namespace trevalon {
namespace {

ExportTable TableOf(const ListRowsModel& model, const std::vector<int>& rows) {
    ExportTable table;
    for (const QString& caption : model.Captions()) {
        table.captions.push_back(caption.toStdString());
    }
    for (const int row : rows) {
        ExportRow exported;
        exported.index = static_cast<std::size_t>(row);
        for (const QString& cell : model.Row(row)) {
            exported.cells.push_back(cell.toStdString());
        }
        table.rows.push_back(std::move(exported));
    }
    return table;
}

}  // namespace

SavePathChooser SaveFileDialog(QWidget* parent) {
    return [parent](const QString& title, const QString& folder, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, title, folder, filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
}

void ExportSelectedRows(QTreeView& list, const ListRowsModel& model, ExportFormat format,
                        const std::string& logFolder, const SavePathChooser& choose,
                        const std::function<void(const QString&)>& status) {
    std::vector<int> rows;
    for (const QModelIndex& index : list.selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    ExportRows(list, model, rows, format, logFolder, choose, status);
}

void ExportRows(QWidget& parent, const ListRowsModel& model, const std::vector<int>& rows,
                ExportFormat format, const std::string& logFolder, const SavePathChooser& choose,
                const std::function<void(const QString&)>& status) {
    if (rows.empty()) {
        return;
    }
    const QString chosen = choose(
        QString("Please select exporting %1 file path.").arg(QtText(ExportFormatName(format))),
        QString::fromStdString(logFolder), QtText(ExportFilter(format)));
    if (chosen.isEmpty()) {
        return;
    }
    try {
        const std::string path = ExportFileName(chosen.toStdString(), format);
        WriteExportFile(path, ExportFileText(TableOf(model, rows), format));
        status("Export data completed successfully.");
    } catch (const std::exception& error) {
        const std::string line = WithErrorText(ExportErrorText(format), error.what());
        WriteDiagnostic(line, kLevelError);
        QMessageBox::critical(&parent, "Trevalon", QString::fromStdString(line));
    }
}

}  // namespace trevalon
