#pragma once

// The "Export to..." action of a list: the selected rows, in list order, to a file the user
// chooses, in one of the four formats.

#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "manager/exports/list_export.h"

class QTreeView;
class QWidget;

namespace trevalon {

class ListRowsModel;

// Asks for the file to write: the dialog's title, initial folder and filter; empty: cancelled.
using SavePathChooser =
    std::function<QString(const QString& title, const QString& folder, const QString& filter)>;

// A save dialog that asks no overwrite question.
SavePathChooser SaveFileDialog(QWidget* parent);

// Nothing happens without a selected row. Otherwise the rows go to the chosen file (with the
// format's extension added when the name lacks it) and `status` hears "Export data completed
// successfully."; a failure is logged and shown with the format's error text.
void ExportSelectedRows(QTreeView& list, const ListRowsModel& model, ExportFormat format,
                        const std::string& logFolder, const SavePathChooser& choose,
                        const std::function<void(const QString&)>& status);

// The same for the model's `rows`, in the given order; nothing happens without a row. `parent`
// owns the error box.
void ExportRows(QWidget& parent, const ListRowsModel& model, const std::vector<int>& rows,
                ExportFormat format, const std::string& logFolder, const SavePathChooser& choose,
                const std::function<void(const QString&)>& status);

}  // namespace trevalon
