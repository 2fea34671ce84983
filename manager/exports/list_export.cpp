#include "manager/exports/list_export.h"

#include <array>
#include <cerrno>
#include <fstream>
#include <stdexcept>

#include "foundation/catalogue.h"
#include "foundation/utf8_text.h"
#include "platform/errno_text.h"

namespace trevalon {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
constexpr std::string_view kVendor = "Varnholt Software";
constexpr std::string_view kCopyright = "Copyright (C) Varnholt Software. All rights reserved.";

constexpr std::string_view kHtmlHeader =
    "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head>"
    "<title>Varnholt Software - Servers monitoring and alerting tools</title>"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">"
    "<meta name=\"author\" content=\"Varnholt Software\">"
    "<meta name=\"copyright\" content=\"Copyright (C) Varnholt Software\">"
    "<link rel=\"Shortcut Icon\" href=\"http://www.trevalon.invalid/favicon.ico\">"
    "<style type=\"text/css\"><!--"
    "body {font-family: Verdana, Arial, Helvetica, Verdana, sans-serif;text-align:left;"
    "color: #000000;margin: 0px;padding: 0px;font-size: 11px;voice-family: \"\\\"}\\\"\";"
    "voice-family: inherit;}"
    "table {width: \"100%\";border: \"0\";font-size: 11px;cellpadding: \"3\";cellspacing: \"1\";"
    "border: #000000 0px solid;}"
    ".tableheader {background-color: #333333; color: #FFFFFF; }"
    ".fieldheader {background-color: #A6A6A6; }"
    ".row_odd {background-color: #FFFFFF; }"
    ".row_even {background-color: #e5e5e5; }"
    ".txt_copyright {font-size:9px;color:#ff0000;font-weight:bold;}"
    "--></style></head><body>";

constexpr std::string_view kExcelHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<Workbook  xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\""
    "  xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\""
    "  xmlns:x=\"urn:schemas-microsoft-com:office:excel\""
    "  xmlns:html=\"http://www.w3.org/TR/REC-html40\">"
    "<Worksheet ss:Name=\"Table1\"><Table>";

const std::string kNoCell;

const std::string& Cell(const ExportRow& row, std::size_t column) {
    return column < row.cells.size() ? row.cells[column] : kNoCell;
}

// Character data for markup: the three characters that could open markup become entities. The
// Excel file must also be well-formed XML, so bytes that are no UTF-8 and control characters
// XML does not allow become U+FFFD there.
void AppendMarkupText(std::string& out, std::string_view text, bool strictXml) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte == '&') {
            out += "&amp;";
        } else if (byte == '<') {
            out += "&lt;";
        } else if (byte == '>') {
            out += "&gt;";
        } else if (!strictXml || byte == '\t' || byte == '\n' || byte == '\r' ||
                   (byte >= 0x20 && byte < 0x80)) {
            out += static_cast<char>(byte);
        } else if (const std::size_t length = byte >= 0x80 ? Utf8SequenceLength(text, at) : 0;
                   length > 0) {
            out.append(text.substr(at, length));
            at += length - 1;
        } else {
            out += kReplacement;
        }
    }
}

bool NeedsCsvQuotes(std::string_view item) {
    for (const char c : item) {
        if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',') {
            return true;
        }
    }
    return false;
}

void AppendQuoted(std::string& out, std::string_view item) {
    out += '"';
    for (const char c : item) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
}

std::string CsvText(const ExportTable& table) {
    std::string out;
    for (const ExportRow& row : table.rows) {
        AppendQuoted(out, Cell(row, 0));
        out += ',';
        for (std::size_t column = 1; column < table.captions.size(); ++column) {
            if (column > 1) {
                out += ',';
            }
            const std::string& item = Cell(row, column);
            if (NeedsCsvQuotes(item)) {
                AppendQuoted(out, item);
            } else {
                out += item;
            }
        }
        out += kLineEnd;
    }
    return out;
}

std::string PlainText(const ExportTable& table) {
    std::string out;
    for (const ExportRow& row : table.rows) {
        out += Cell(row, 0);
        for (std::size_t column = 1; column < table.captions.size(); ++column) {
            out += '\t';
            out += Cell(row, column);
        }
        out += kLineEnd;
    }
    return out;
}

void AppendExcelCell(std::string& out, std::string_view text) {
    out += "<Cell><Data ss:Type=\"String\">";
    AppendMarkupText(out, text, true);
    out += "</Data></Cell>";
}

// The first column, the row caption, is left out of the spreadsheet.
std::string ExcelText(const ExportTable& table) {
    std::string out(kExcelHeader);
    out += kLineEnd;
    for (std::size_t column = 1; column < table.captions.size(); ++column) {
        out += "<Column ss:Index=\"" + std::to_string(column) +
               "\" ss:AutoFitWidth=\"0\" ss:Width=\"100\"/>";
    }
    out += kLineEnd;
    out += "<Row>";
    for (std::size_t column = 1; column < table.captions.size(); ++column) {
        AppendExcelCell(out, table.captions[column]);
    }
    out += "</Row>";
    out += kLineEnd;
    for (const ExportRow& row : table.rows) {
        out += "<Row>";
        for (std::size_t column = 1; column < table.captions.size(); ++column) {
            AppendExcelCell(out, Cell(row, column));
        }
        out += "</Row>";
        out += kLineEnd;
    }
    out += "</Table></Worksheet></Workbook>";
    out += kLineEnd;
    return out;
}

void AppendHtmlCell(std::string& out, std::string_view text) {
    out += "<td>";
    AppendMarkupText(out, text, false);
    out += "</td>";
}

std::string HtmlText(const ExportTable& table) {
    std::string out(kHtmlHeader);
    out += kLineEnd;
    out += "<table><tr class=\"fieldheader\">";
    out += kLineEnd;
    for (const std::string& caption : table.captions) {
        AppendHtmlCell(out, caption);
    }
    out += "</tr>";
    out += kLineEnd;
    for (const ExportRow& row : table.rows) {
        out += row.index % 2 == 1 ? "<tr class=row_odd>" : "<tr class=row_even>";
        for (std::size_t column = 0; column < table.captions.size(); ++column) {
            AppendHtmlCell(out, Cell(row, column));
        }
        out += "</tr>";
        out += kLineEnd;
    }
    out += "</table>";
    out += kLineEnd;
    out +=
        "<br><hr align=\"center\" noshade=\"noshade\" size=\"1\" width=\"100%\" />"
        "<div align=\"right\"><span class=\"txt_copyright\">";
    out += kCopyright;
    out += "</span></div></body></html>";
    out += kLineEnd;
    return out;
}

// What the program says of a format: file extension, name in the save dialog's title, the
// dialog's filter, the error when writing fails.
struct FormatTexts {
    std::string_view extension;
    std::string_view name;
    std::string_view filter;
    std::string_view error;
};

const FormatTexts& TextsOf(ExportFormat format) {
    // In the order of ExportFormat.
    static constexpr std::array<FormatTexts, 4> kTexts = {{
        {".csv", "csv", "CSV (*.csv)", catalogue::kCannotExportCsv},
        {".xls", "Excel", "Excel (XP or higher) XML File (*.xls)", catalogue::kCannotExportExcel},
        {".txt", "text", "TXT (*.txt)", catalogue::kCannotExportText},
        {".html", "HTML", "HTML (*.html)", catalogue::kCannotExportHtml},
    }};
    return kTexts[static_cast<std::size_t>(format)];
}

}  // namespace

std::string_view ExportExtension(ExportFormat format) {
    return TextsOf(format).extension;
}

std::string_view ExportFormatName(ExportFormat format) {
    return TextsOf(format).name;
}

std::string_view ExportFilter(ExportFormat format) {
    return TextsOf(format).filter;
}

std::string_view ExportErrorText(ExportFormat format) {
    return TextsOf(format).error;
}

std::string ExportFileName(const std::string& chosen, ExportFormat format) {
    const std::size_t slash = chosen.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = chosen.rfind('.');
    const std::string_view extension = dot == std::string::npos || dot < nameStart
                                           ? std::string_view()
                                           : std::string_view(chosen).substr(dot);
    return extension == ExportExtension(format) ? chosen
                                                : chosen + std::string(ExportExtension(format));
}

std::string ExportFileText(const ExportTable& table, ExportFormat format) {
    switch (format) {
        case ExportFormat::kCsv:
            return CsvText(table);
        case ExportFormat::kExcel:
            return ExcelText(table);
        case ExportFormat::kText:
            return PlainText(table);
        case ExportFormat::kHtml:
            return HtmlText(table);
    }
    return {};
}

void WriteExportFile(const std::string& path, std::string_view text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) {
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.close();
    }
    if (!file) {
        const int error = errno;
        throw std::runtime_error(path + " : " + platform::ErrnoText(error != 0 ? error : EIO));
    }
}

}  // namespace trevalon
