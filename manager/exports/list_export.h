#pragma once

// The export of list rows to CSV, Excel SpreadsheetML 2003, plain text and HTML files, shared by
// the live lists and the history window. Free of widgets: a list hands over its column captions
// and the selected rows.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace trevalon {

enum class ExportFormat { kCsv, kExcel, kText, kHtml };

// Rows as a list shows them: the first cell is the row's caption, the others its sub-items.
struct ExportRow {
    // The row's position in its list, counted from 0 (HTML colours odd and even rows).
    std::size_t index = 0;
    std::vector<std::string> cells;
};

struct ExportTable {
    std::vector<std::string> captions;
    std::vector<ExportRow> rows;
};

// ".csv", ".xls", ".txt" or ".html".
std::string_view ExportExtension(ExportFormat format);
// "csv", "Excel", "text" or "HTML", as the save dialog's title names the format.
std::string_view ExportFormatName(ExportFormat format);
// "CSV (*.csv)" and the like, for the save dialog.
std::string_view ExportFilter(ExportFormat format);
// "ERR00504 : Cannot export csv file." and the like.
std::string_view ExportErrorText(ExportFormat format);

// The chosen file name with the format's extension appended, unless the name itself (not its
// folder) already ends in exactly that extension after its last dot.
std::string ExportFileName(const std::string& chosen, ExportFormat format);

// The whole file: UTF-8 text, every line ended by CR LF. Rows missing cells count them as empty.
std::string ExportFileText(const ExportTable& table, ExportFormat format);

// Writes `text` to `path`, replacing the file; raises std::runtime_error with the system's
// reason when it cannot.
void WriteExportFile(const std::string& path, std::string_view text);

}  // namespace trevalon
