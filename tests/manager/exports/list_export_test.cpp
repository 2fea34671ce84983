#include "manager/exports/list_export.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

// Two rows of the live message list, the first and the fourth of the list, with a message that
// holds markup, an ampersand, quotes and a comma.
ExportTable LiveListRows() {
    ExportTable table;
    table.captions = {"DateTime", "From IP", "Facility", "Severity", "Message"};
    table.rows.push_back(
        {0, {"2009-03-01 10:15:00", "10.0.0.7", "User Level", "Notice", "link up"}});
    table.rows.push_back(
        {3, {"2009-03-01 10:15:01", "host,a", "Kernel", "Error", "<b>disk</b> \"full\" & gone"}});
    return table;
}

TEST(ListExport, CsvQuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(ExportFileText(LiveListRows(), ExportFormat::kCsv),
              "\"2009-03-01 10:15:00\",10.0.0.7,\"User Level\",Notice,\"link up\"\r\n"
              "\"2009-03-01 10:15:01\",\"host,a\",Kernel,Error,"
              "\"<b>disk</b> \"\"full\"\" & gone\"\r\n");
    ExportTable bare;
    bare.captions = {"A", "B", "C"};
    bare.rows.push_back({0, {"t", "", "tab\there"}});
    bare.rows.push_back({1, {"u"}});
    EXPECT_EQ(ExportFileText(bare, ExportFormat::kCsv), "\"t\",,\"tab\there\"\r\n\"u\",,\r\n");
}

TEST(ListExport, TextSeparatesCellsByTabs) {
    EXPECT_EQ(ExportFileText(LiveListRows(), ExportFormat::kText),
              "2009-03-01 10:15:00\t10.0.0.7\tUser Level\tNotice\tlink up\r\n"
              "2009-03-01 10:15:01\thost,a\tKernel\tError\t<b>disk</b> \"full\" & gone\r\n");
}

TEST(ListExport, ExcelLeavesTheCaptionColumnOutAndEscapesMarkup) {
    const std::string cells = "<Cell><Data ss:Type=\"String\">";
    const std::string end = "</Data></Cell>";
    EXPECT_EQ(
        ExportFileText(LiveListRows(), ExportFormat::kExcel),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Workbook  "
        "xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"  "
        "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\"  "
        "xmlns:x=\"urn:schemas-microsoft-com:office:excel\"  "
        "xmlns:html=\"http://www.w3.org/TR/REC-html40\"><Worksheet ss:Name=\"Table1\"><Table>\r\n"
        "<Column ss:Index=\"1\" ss:AutoFitWidth=\"0\" ss:Width=\"100\"/>"
        "<Column ss:Index=\"2\" ss:AutoFitWidth=\"0\" ss:Width=\"100\"/>"
        "<Column ss:Index=\"3\" ss:AutoFitWidth=\"0\" ss:Width=\"100\"/>"
        "<Column ss:Index=\"4\" ss:AutoFitWidth=\"0\" ss:Width=\"100\"/>\r\n"
        "<Row>" +
            cells + "From IP" + end + cells + "Facility" + end + cells + "Severity" + end + cells +
            "Message" + end +
            "</Row>\r\n"
            "<Row>" +
            cells + "10.0.0.7" + end + cells + "User Level" + end + cells + "Notice" + end + cells +
            "link up" + end +
            "</Row>\r\n"
            "<Row>" +
            cells + "host,a" + end + cells + "Kernel" + end + cells + "Error" + end + cells +
            "&lt;b&gt;disk&lt;/b&gt; \"full\" &amp; gone" + end +
            "</Row>\r\n"
            "</Table></Worksheet></Workbook>\r\n");

    // A spreadsheet program refuses a file that is not well-formed XML: bytes that are no UTF-8
    // and control characters become U+FFFD, while real UTF-8 stays.
    ExportTable binary;
    binary.captions = {"DateTime", "Message"};
    binary.rows.push_back({0, {"t", "caf\xC3\xA9 \x01\xFF end"}});
    const std::string text = ExportFileText(binary, ExportFormat::kExcel);
    EXPECT_NE(text.find(cells + "caf\xC3\xA9 \xEF\xBF\xBD\xEF\xBF\xBD end" + end),
              std::string::npos)
        << text;
}

TEST(ListExport, HtmlColoursRowsByTheirPlaceInTheList) {
    const std::string text = ExportFileText(LiveListRows(), ExportFormat::kHtml);
    const std::size_t bodyStart = text.find("<body>\r\n");
    ASSERT_NE(bodyStart, std::string::npos);
    EXPECT_EQ(text.rfind("<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>Varnholt "
                         "Software - Servers monitoring and alerting tools</title><meta "
                         "http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">",
                         0),
              0u);
    EXPECT_NE(text.find("<style type=\"text/css\"><!--body {font-family: Verdana, Arial, "
                        "Helvetica, Verdana, sans-serif;text-align:left;color: #000000;margin: "
                        "0px;padding: 0px;font-size: 11px;voice-family: \"\\\"}\\\"\";"
                        "voice-family: inherit;}table {width: \"100%\";"),
              std::string::npos);
    EXPECT_EQ(text.substr(bodyStart + 8),
              "<table><tr class=\"fieldheader\">\r\n"
              "<td>DateTime</td><td>From IP</td><td>Facility</td><td>Severity</td>"
              "<td>Message</td></tr>\r\n"
              "<tr class=row_even><td>2009-03-01 10:15:00</td><td>10.0.0.7</td><td>User "
              "Level</td><td>Notice</td><td>link up</td></tr>\r\n"
              "<tr class=row_odd><td>2009-03-01 10:15:01</td><td>host,a</td><td>Kernel</td>"
              "<td>Error</td><td>&lt;b&gt;disk&lt;/b&gt; \"full\" &amp; gone</td></tr>\r\n"
              "</table>\r\n"
              "<br><hr align=\"center\" noshade=\"noshade\" size=\"1\" width=\"100%\" /><div "
              "align=\"right\"><span class=\"txt_copyright\">Copyright (C) Varnholt Software. "
              "All rights reserved.</span></div></body></html>\r\n");
}

TEST(ListExport, FileNamesGetTheFormatsExtensionUnlessTheyEndInIt) {
    const struct {
        const char* chosen;
        ExportFormat format;
        const char* written;
    } cases[] = {
        {"/tmp/report", ExportFormat::kCsv, "/tmp/report.csv"},
        {"/tmp/report.csv", ExportFormat::kCsv, "/tmp/report.csv"},
        {"/tmp/report.CSV", ExportFormat::kCsv, "/tmp/report.CSV.csv"},
        {"/tmp/a.b/report", ExportFormat::kExcel, "/tmp/a.b/report.xls"},
        {"/tmp/report.htm", ExportFormat::kHtml, "/tmp/report.htm.html"},
        {"report.txt", ExportFormat::kText, "report.txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExportFileName(c.chosen, c.format), c.written) << c.chosen;
    }
    EXPECT_EQ(ExportErrorText(ExportFormat::kCsv), "ERR00504 : Cannot export csv file.");
    EXPECT_EQ(ExportErrorText(ExportFormat::kText), "ERR00505 : Cannot export txt file.");
}

TEST(ListExport, WritingReplacesTheFileOrNamesTheReason) {
    testing::TempInstallation installation;
    const std::string path = installation.LogFolder() + "rows.txt";
    WriteExportFile(path, "a much longer first content\r\n");
    WriteExportFile(path, "b\r\n");
    EXPECT_EQ(testing::ReadWholeFile(path), "b\r\n");
    try {
        WriteExportFile(installation.AppPath() + "/missing/rows.txt", "c");
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("No such file or directory"), std::string::npos)
            << error.what();
    }
}

}  // namespace
}  // namespace trevalon
