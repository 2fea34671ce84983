#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>
#include <QTreeView>

#include <filesystem>

#include <gtest/gtest.h>

#include "foundation/program_end.h"
#include "manager/history/history_filter_dialog.h"
#include "manager/history/history_page.h"
#include "manager/history/history_statements.h"
#include "manager/history/history_window.h"
#include "manager/main_window/main_window.h"
#include "manager/main_window/message_details_panel.h"
#include "manager/main_window/qt_owner_loop.h"
#include "manager/program/dialog_menu.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/manager/gui_test_support.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using namespace std::chrono_literals;
using history_statements::ChartKind;
using history_statements::HistoryFilter;

// Row i of `count` rows, stored oldest first as the receivers store them: second i of the first
// of December, five sources, every facility and severity in turn.
std::string InsertRows(int count) {
    return "insert into syslog select '2026-12-01 00:00:00' + interval seq second, "
           "concat('10.0.0.', seq % 5), elt(1 + seq % 24, 'Kernel', 'User Level', 'Mail System', "
           "'System Daemon', 'Security One', 'Syslogd', 'LPR', 'NNTP', 'UUCP', 'Clock Daemon One', "
           "'Security Two', 'FTP Daemon', 'NTP', 'Log Audit', 'Log Alert', 'Clock Daemon Two', "
           "'Local Use Zero', 'Local Use One', 'Local Use Two', 'Local Use Three', 'Local Use "
           "Four', 'Local Use Five', 'Local Use Six', 'Local Use Seven'), elt(1 + seq % 8, "
           "'Emergency', 'Alert', 'Critical', 'Error', 'Warning', 'Notice', 'Informational', "
           "'Debug'), concat('message ', seq) from seq_1_to_" +
           std::to_string(count);
}

// A manager window with its engine on a scratch database, and the history window as the Chart
// action opens it.
class HistoryWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::GuiApplication();
        ASSERT_NO_FATAL_FAILURE(testing::RequireServer(installation_));
        database_ =
            std::make_unique<testing::ScratchDatabase>(testing::TestDatabaseName("history"), false);
        testing::WriteWholeFile(
            installation_.ConfFolder() + "SysInit.ini",
            "[System]\nSysLogPort=0\nInitStart=0\n" + testing::TestDatabaseAccountSection());
        engine_ = std::make_unique<SyslogEngine>(
            loop_, installation_.Settings(), PipelineVariant::Manager(),
            EngineTimings{20ms, 20ms, 50ms, 1h}, database_->Name());
        window_ = std::make_unique<MainWindow>(*engine_);
        WireDialogs(*window_, *engine_);
        ASSERT_TRUE(engine_->Bootstrap());
        window_->show();
    }

    void TearDown() override { ClearProgramEndRequest(); }

    DatabaseConnection& Table() { return engine_->DataModule().Connection(); }

    HistoryWindow* OpenHistory() {
        auto* history = testing::OpenDialog<HistoryWindow>(*window_, "Chart");
        if (history != nullptr) {
            history->SetSavePathChooser(
                [this](const QString& title, const QString& folder, const QString& filter) {
                    asked_ << title + "|" + folder + "|" + filter;
                    return chosen_;
                });
            EXPECT_TRUE(testing::ProcessUntil([&] { return !history->Loading(); }));
        }
        return history;
    }

    static void Click(HistoryWindow& history, QPushButton& button) {
        QTest::mouseClick(&button, Qt::LeftButton);
        ASSERT_TRUE(testing::ProcessUntil([&] { return !history.Loading(); }));
    }

    static QString Cell(HistoryWindow& history, int row, int column) {
        return history.Rows().Row(row).value(column);
    }

    // The texts of the error boxes the window shows, closed.
    static QStringList TakeErrors(HistoryWindow& history) {
        QStringList texts;
        for (QMessageBox* box : history.findChildren<QMessageBox*>()) {
            if (box->isVisible()) {
                texts << box->text();
                box->close();
            }
        }
        return texts;
    }

    testing::TempInstallation installation_;
    std::unique_ptr<testing::ScratchDatabase> database_;
    QtOwnerLoop loop_;
    std::unique_ptr<SyslogEngine> engine_;
    std::unique_ptr<MainWindow> window_;
    QStringList asked_;
    QString chosen_;
};

// 2500 rows, newest first, a thousand a page with the buttons following; the charts count the
// page's groups; closing on page 3 and opening again shows page 2; the filter window's values
// reach the statements as typed.
TEST_F(HistoryWindowTest, PagesChartsReopeningAndFiltering) {
    Table().Execute(InsertRows(2500));
    HistoryWindow* history = OpenHistory();
    ASSERT_NE(history, nullptr);
    EXPECT_FALSE(window_->menuBar()->isEnabled());
    EXPECT_EQ(history->windowTitle(), "SysLog History & Charts");
    EXPECT_EQ(history->Status().text(),
              "It will show the first 1000 history and 10 charting records, please Next button "
              "for next 1000 and 10 records");
    EXPECT_FALSE(history->Progress().isVisible());
    ASSERT_EQ(history->Rows().rowCount(), 1000);
    EXPECT_EQ(history->Rows().Row(0), (QStringList{"2026-12-01 00:41:40", "10.0.0.0",
                                                   "Security One", "Warning", "message 2500"}));
    EXPECT_EQ(Cell(*history, 999, 4), "message 1501");
    EXPECT_FALSE(history->PreviousButton().isEnabled());
    EXPECT_TRUE(history->NextButton().isEnabled());
    EXPECT_EQ(history->Chart(ChartKind::kHost).BarCount(), 5);
    EXPECT_EQ(history->Chart(ChartKind::kFacility).BarCount(), 24);
    EXPECT_EQ(history->Chart(ChartKind::kSeverity).BarCount(), 8);
    EXPECT_EQ(history->ExportButton().toolTip(), "Export the chart to SysLog History file...");
    testing::SaveScreenshot(*history, "history_page");
    const std::array<QString, 3> chartShots = {"history_host_chart", "history_facility_chart",
                                               "history_severity_chart"};
    for (int page = 1; page <= 3; ++page) {
        history->Pages().setCurrentIndex(page);
        EXPECT_EQ(history->ExportButton().text(), "Export Chart");
        EXPECT_EQ(history->ExportButton().toolTip(), "Export the chart to BMP file...");
        EXPECT_FALSE(history->FilterButton().isEnabled());
        testing::SaveScreenshot(*history, chartShots[page - 1]);
    }
    history->Pages().setCurrentIndex(0);
    EXPECT_EQ(history->ExportButton().text(), "Export to");
    EXPECT_EQ(history->ExportButton().toolTip(),
              "Export the SysLog History to CSV/Text/HTML file...");
    EXPECT_TRUE(history->FilterButton().isEnabled());

    // A double click on a selected row shows it in the details panel.
    const QRect third = history->List().visualRect(history->Rows().index(2, 1));
    QTest::mouseClick(history->List().viewport(), Qt::LeftButton, {}, third.center());
    QTest::mouseDClick(history->List().viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_TRUE(history->DetailsPanel().isVisible());
    EXPECT_NE(
        history->DetailsPanel().findChild<QPlainTextEdit*>()->toPlainText().indexOf("message 2498"),
        -1);

    Click(*history, history->NextButton());
    EXPECT_EQ(Cell(*history, 0, 4), "message 1500");
    EXPECT_TRUE(history->PreviousButton().isEnabled());
    EXPECT_TRUE(history->NextButton().isEnabled());
    Click(*history, history->NextButton());
    ASSERT_EQ(history->Rows().rowCount(), 500);
    EXPECT_EQ(Cell(*history, 0, 4), "message 500");
    EXPECT_EQ(Cell(*history, 499, 4), "message 1");
    EXPECT_TRUE(history->PreviousButton().isEnabled());
    EXPECT_FALSE(history->NextButton().isEnabled());

    // A header click sorts by the text, the next one the other way round.
    QTest::mouseClick(history->List().header()->viewport(), Qt::LeftButton, {},
                      QPoint(history->List().header()->sectionPosition(4) + 5, 5));
    EXPECT_EQ(Cell(*history, 0, 4), "message 1");
    EXPECT_EQ(Cell(*history, 1, 4), "message 10");
    QTest::mouseClick(history->List().header()->viewport(), Qt::LeftButton, {},
                      QPoint(history->List().header()->sectionPosition(4) + 5, 5));
    EXPECT_EQ(Cell(*history, 0, 4), "message 99");

    QTest::mouseClick(&history->CancelButton(), Qt::LeftButton);
    EXPECT_FALSE(history->isVisible());
    EXPECT_TRUE(window_->menuBar()->isEnabled());
    EXPECT_EQ(window_->statusBar()->currentMessage(), "History & Charts has been closed.");
    ASSERT_EQ(OpenHistory(), history);
    EXPECT_EQ(history->Offset(), 1000);
    EXPECT_EQ(Cell(*history, 0, 4), "message 1500");

    // A load asked for while one runs follows it, with the page of that moment.
    QTest::mouseClick(&history->RefreshButton(), Qt::LeftButton);
    QTest::mouseClick(&history->NextButton(), Qt::LeftButton);
    EXPECT_TRUE(history->Loading());
    ASSERT_TRUE(testing::ProcessUntil([&] { return !history->Loading(); }));
    EXPECT_EQ(history->Rows().rowCount(), 500);
    EXPECT_FALSE(history->NextButton().isEnabled());

    // Filtering keeps the page: back to the first, then only Kernel rows of one source.
    Click(*history, history->PreviousButton());
    Click(*history, history->PreviousButton());
    QTest::mouseClick(&history->FilterButton(), Qt::LeftButton);
    HistoryFilterDialog* filter = history->FilterWindow();
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter->windowTitle(), "Filtering SysLog History");
    EXPECT_EQ(filter->Facility().count(), 25);
    EXPECT_EQ(filter->Severity().itemText(8), "Debug");
    EXPECT_FALSE(filter->FromTime().isEnabled());
    QTest::mouseClick(&filter->FromTicked(), Qt::LeftButton);
    EXPECT_TRUE(filter->FromTime().isEnabled());
    filter->FromDate().setDate(QDate(2026, 12, 1));
    filter->FromTime().setTime(QTime(0, 30, 0));
    filter->Facility().setCurrentText("Kernel");
    QTest::keyClicks(&filter->Source(), "10.0.0.0");
    testing::SaveScreenshot(*filter, "history_filter");
    QTest::keyClick(&filter->Source(), Qt::Key_Return);
    ASSERT_TRUE(testing::ProcessUntil([&] { return !history->Loading(); }));
    // Seconds 1800..2500 whose number is a multiple of 24 (Kernel) and of 5 (10.0.0.0).
    ASSERT_EQ(history->Rows().rowCount(), 6);
    EXPECT_EQ(Cell(*history, 0, 4), "message 2400");
    EXPECT_EQ(Cell(*history, 5, 4), "message 1800");
    EXPECT_EQ(history->Chart(ChartKind::kHost).BarCount(), 1);
    EXPECT_TRUE(filter->isVisible());

    // A source with quotes and backslashes is compared as typed, and cannot widen the filter.
    Table().Execute(
        "insert into syslog values ('2026-12-01 01:00:00', 'x\"y\\\\z', 'Kernel', 'Alert', "
        "'hostile')");
    QTest::mouseClick(&filter->FromTicked(), Qt::LeftButton);
    for (const auto& [typed, rows] :
         {std::pair{QString("10.0.0.0\" or \"1\"=\"1"), 0}, std::pair{QString("x\"y\\z"), 1},
          std::pair{QString("x\"y\\\\z"), 0}}) {
        filter->Source().setText(typed);
        QTest::mouseClick(&filter->FilteringButton(), Qt::LeftButton);
        ASSERT_TRUE(testing::ProcessUntil([&] { return !history->Loading(); }));
        EXPECT_EQ(history->Rows().rowCount(), rows) << typed.toStdString();
    }
    EXPECT_TRUE(TakeErrors(*history).isEmpty());

    // Escape closes as Cancel does: the filter window goes too, the main window's controls come
    // back.
    QTest::keyClick(history, Qt::Key_Escape);
    EXPECT_FALSE(history->isVisible());
    EXPECT_FALSE(filter->isVisible());
    EXPECT_TRUE(window_->menuBar()->isEnabled());
}

// The exports of the page and of a chart, and failing statements that are shown and logged
// while the window and the program stay.
TEST_F(HistoryWindowTest, ExportsAndFailuresKeepTheWindow) {
    HistoryWindow* history = OpenHistory();
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->Rows().rowCount(), 0);
    history->ExportAllMenu().actions()[0]->trigger();
    EXPECT_TRUE(asked_.isEmpty());

    Table().Execute(InsertRows(3));
    Table().Execute("update syslog set msg='<b>bold</b> & \"quoted\", too' where msg='message 3'");
    Click(*history, history->RefreshButton());
    EXPECT_EQ(history->Status().text(), "Data refresh.");
    ASSERT_EQ(history->Rows().rowCount(), 3);

    const std::string folder = installation_.LogFolder();
    chosen_ = QString::fromStdString(folder + "page");
    QStringList names;
    for (QAction* action : history->ExportAllMenu().actions()) {
        names << action->text();
        action->trigger();
    }
    EXPECT_EQ(names, (QStringList{"Export all to CSV", "Export all to Excel", "Export all to Text",
                                  "Export all to HTML"}));
    EXPECT_EQ(asked_.value(0), "Please select exporting csv file path.|" +
                                   QString::fromStdString(folder) + "|CSV (*.csv)");
    EXPECT_EQ(history->Status().text(), "Export data completed successfully.");
    EXPECT_EQ(testing::ReadWholeFile(folder + "page.csv"),
              "\"2026-12-01 00:00:03\",10.0.0.3,\"System Daemon\",Error,\"<b>bold</b> & "
              "\"\"quoted\"\", too\"\r\n"
              "\"2026-12-01 00:00:02\",10.0.0.2,\"Mail System\",Critical,\"message 2\"\r\n"
              "\"2026-12-01 00:00:01\",10.0.0.1,\"User Level\",Alert,\"message 1\"\r\n");
    const std::string excel = testing::ReadWholeFile(folder + "page.xls");
    EXPECT_NE(excel.find("<Row><Cell><Data ss:Type=\"String\">IP</Data></Cell><Cell><Data "
                         "ss:Type=\"String\">Facility</Data></Cell><Cell><Data "
                         "ss:Type=\"String\">Severity</Data></Cell><Cell><Data "
                         "ss:Type=\"String\">Message</Data></Cell></Row>"),
              std::string::npos);
    EXPECT_EQ(excel.find("Date Time"), std::string::npos);
    EXPECT_NE(testing::ReadWholeFile(folder + "page.html")
                  .find("<td>Date Time</td><td>IP</td><td>Facility</td><td>Severity</td><td>"
                        "Message</td></tr>"),
              std::string::npos);

    // The list's context menu exports the selected rows only.
    asked_.clear();
    history->ListMenu().actions()[2]->trigger();
    EXPECT_TRUE(asked_.isEmpty());
    history->List().selectionModel()->select(
        history->Rows().index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    chosen_ = QString::fromStdString(folder + "one.txt");
    EXPECT_EQ(history->ListMenu().actions()[2]->text(), "Export to Text");
    history->ListMenu().actions()[2]->trigger();
    EXPECT_EQ(testing::ReadWholeFile(folder + "one.txt"),
              "2026-12-01 00:00:02\t10.0.0.2\tMail System\tCritical\tmessage 2\r\n");

    // The active chart as a bitmap, under the name as typed.
    history->Pages().setCurrentIndex(2);
    chosen_ = QString::fromStdString(folder + "facilities.picture");
    QTest::mouseClick(&history->ExportButton(), Qt::LeftButton);
    EXPECT_EQ(asked_.last(), "Please select exporting bmp file path.|" +
                                 QString::fromStdString(folder) + "|Bitmap (*.bmp)");
    const std::string bitmap = testing::ReadWholeFile(folder + "facilities.picture");
    ASSERT_GT(bitmap.size(), 54u);
    EXPECT_EQ(bitmap.substr(0, 2), "BM");
    chosen_ = QString::fromStdString(folder + "no such folder/chart.bmp");
    QTest::mouseClick(&history->ExportButton(), Qt::LeftButton);
    const QStringList exportErrors = TakeErrors(*history);
    ASSERT_EQ(exportErrors.size(), 1);
    EXPECT_TRUE(exportErrors[0].startsWith("ERR00502 : Cannot export charts. : "))
        << exportErrors[0].toStdString();

    // The table gone while the window was closed: opening it again counts and charts in vain;
    // both failures are shown and logged, the window keeps what it had and the program goes on.
    history->Pages().setCurrentIndex(0);
    QTest::mouseClick(&history->CancelButton(), Qt::LeftButton);
    database_->Admin().Execute("drop table " + database_->Name() + ".syslog");
    ASSERT_EQ(OpenHistory(), history);
    const QStringList errors = TakeErrors(*history);
    ASSERT_EQ(errors.size(), 2);
    const QString gone =
        "Table '" + QString::fromStdString(database_->Name()) + ".syslog' doesn't exist";
    EXPECT_TRUE(errors.contains("ERR90033 : " + gone)) << errors.join("\n").toStdString();
    EXPECT_TRUE(errors.contains("ERR00501 : Cannot create charts. : " + gone));
    const std::string log = testing::DiagnosticLogText(installation_);
    EXPECT_NE(log.find("[ERROR] ERR00501 : Cannot create charts. : " + gone.toStdString()),
              std::string::npos);
    EXPECT_NE(log.find("[ERROR] ERR90033 : " + gone.toStdString()), std::string::npos);
    EXPECT_FALSE(ProgramEndRequested());
    EXPECT_TRUE(history->isVisible());
    EXPECT_EQ(history->Rows().rowCount(), 3);
    EXPECT_EQ(history->Chart(ChartKind::kFacility).BarCount(), 3);
    EXPECT_FALSE(history->Progress().isVisible());
}

TEST(HistoryStatements, FilterClauseTextForText) {
    const struct {
        HistoryFilter filter;
        std::string clause;
    } cases[] = {
        {{}, ""},
        {{"", "", "", "All Facility", "All Severity"}, ""},
        {{"", "", "", "Kernel", "All Severity"}, " where facility=\"Kernel\" "},
        {{"2026-12-01 00:00:00", "", "10.0.0.1", "All Facility", "All Severity"},
         " where syslog_datetime>=\"2026-12-01 00:00:00\"  and ip=\"10.0.0.1\" "},
        {{"2026-12-01 00:00:00", "2026-12-01 23:59:59", "h", "Kernel", "Debug"},
         " where syslog_datetime>=\"2026-12-01 00:00:00\"  and syslog_datetime<=\"2026-12-01 "
         "23:59:59\"  and ip=\"h\"  and facility=\"Kernel\"  and severity=\"Debug\" "},
        {{"", "", "a\"b\\c' d", "All Facility", "Error"},
         " where ip=\"a\\\"b\\\\c\\' d\"  and severity=\"Error\" "},
    };
    for (const auto& [filter, clause] : cases) {
        EXPECT_EQ(history_statements::FilterClause(filter), clause) << clause;
    }
    const std::string kernel = " where facility=\"Kernel\" ";
    EXPECT_EQ(history_statements::ChartStatement(ChartKind::kHost, kernel, 2000),
              "select ip, count(*) as total from syslog  where facility=\"Kernel\"  group by ip "
              "order by min(syslog_datetime) desc limit 2000,1000");
    EXPECT_EQ(history_statements::PageStatement(kernel, 0),
              "select * from syslog  where facility=\"Kernel\"  order by syslog_datetime desc "
              "limit 0,1000");
    EXPECT_EQ(history_statements::PageTimeStatement(kernel, 3000, true),
              "select syslog_datetime from syslog  where facility=\"Kernel\"  order by "
              "syslog_datetime desc limit 3000,1");
    EXPECT_EQ(history_statements::PageTimeStatement("", 7, false),
              "select syslog_datetime from syslog  order by syslog_datetime asc limit 7,1");
    EXPECT_EQ(
        history_statements::CountNewerStatement("", "2026-12-01 10:00:00"),
        "select count(*) as total from syslog where syslog_datetime>\"2026-12-01 10:00:00\" ");
    EXPECT_EQ(history_statements::CountNotNewerStatement(kernel, "2026-12-01 10:00:00"),
              "select count(*) as total from syslog where facility=\"Kernel\"  and "
              "syslog_datetime<=\"2026-12-01 10:00:00\" ");
    EXPECT_EQ(history_statements::PageFromTimeStatement(kernel, "2026-12-01 10:00:00", 2),
              "select * from syslog  where facility=\"Kernel\"  and "
              "syslog_datetime<=\"2026-12-01 10:00:00\"  order by syslog_datetime desc limit "
              "2,1000");
    EXPECT_EQ(history_statements::CountStatement(kernel),
              "select count(*) as totalRecord from syslog where facility=\"Kernel\" ");
}

// The charts read the groups in the order of their oldest row, through the history indexes; the
// statements they replace ordered by whichever row's time the grouping kept, which is the
// oldest when rows are stored as they arrive. Both give the same bars in the same order. A
// later page, read from its first row's time, holds the rows the single page statement gives.
TEST(HistoryStatements, ChartsAndPagesGiveWhatTheStatementsTheyReplaceGive) {
    testing::TempInstallation installation;
    ASSERT_NO_FATAL_FAILURE(testing::RequireServer(installation));
    testing::ScratchDatabase database(testing::TestDatabaseName("history_bars"), true);
    DatabaseConnection& table = database.Admin();
    PublishedSettings settings(installation.Settings());
    settings.Update([](EngineSettings& current) {
        current.Database.DBUsername = testing::TheTestDatabaseAccount().user;
        current.Database.DBPassword = testing::TheTestDatabaseAccount().password;
    });
    TDMKestrine module(settings, database.Name());
    ASSERT_TRUE(module.ConnectDatabase(false));
    module.CreateMissingTables();
    // Sources appear first in an order of their own, so the groups' order is not the name's.
    table.Execute(
        "insert into syslog select '2026-12-01 00:00:00' + interval seq minute, "
        "concat('host-', (seq * 7) % 13), elt(1 + (seq * 5) % 24, 'Kernel', 'User Level', "
        "'Mail System', 'System Daemon', 'Security One', 'Syslogd', 'LPR', 'NNTP', 'UUCP', "
        "'Clock Daemon One', 'Security Two', 'FTP Daemon', 'NTP', 'Log Audit', 'Log Alert', "
        "'Clock Daemon Two', 'Local Use Zero', 'Local Use One', 'Local Use Two', 'Local Use "
        "Three', 'Local Use Four', 'Local Use Five', 'Local Use Six', 'Local Use Seven'), "
        "elt(1 + (seq * 3) % 8, 'Emergency', 'Alert', 'Critical', 'Error', 'Warning', 'Notice', "
        "'Informational', 'Debug'), concat('m', seq) from seq_1_to_3000");
    const std::vector<std::string> clauses = {
        "",
        history_statements::FilterClause({"2026-12-01 10:00:00", "", "", "Kernel", ""}),
        history_statements::FilterClause({"", "2026-12-02 12:00:00", "host-3", "", ""}),
        history_statements::FilterClause({"", "", "", "", "Error"}),
    };
    const auto rows = [&table](const std::string& statement) {
        const QueryResult result = table.Query(statement);
        std::vector<std::string> texts;
        for (std::size_t row = 0; row < result.RowCount(); ++row) {
            texts.push_back(result.FirstField(row) + "=" + result.Text(row, "total"));
        }
        return texts;
    };
    for (const std::string& clause : clauses) {
        for (const std::int64_t offset : {0, 1, 1000, 1499, 1500, 2000, 2999, 3000}) {
            std::vector<HistoryRow> single;
            const QueryResult page = table.Query(history_statements::PageStatement(clause, offset));
            for (std::size_t row = 0; row < page.RowCount(); ++row) {
                single.push_back({page.Text(row, "syslog_datetime"), page.Text(row, "ip"),
                                  page.Text(row, "facility"), page.Text(row, "severity"),
                                  page.Text(row, "msg")});
            }
            EXPECT_EQ(ReadHistoryPage(table, clause, offset), single) << clause << " " << offset;
        }
    }
    EXPECT_EQ(ReadHistoryPage(table, "", 2000).size(), 1000u);

    std::vector<std::vector<std::string>> charts;
    for (const std::string& clause : clauses) {
        for (const ChartKind kind :
             {ChartKind::kHost, ChartKind::kFacility, ChartKind::kSeverity}) {
            for (const std::int64_t offset : {0, 5}) {
                charts.push_back(rows(history_statements::ChartStatement(kind, clause, offset)));
            }
        }
    }
    for (const IndexSchema& index : SyslogHistoryIndexes()) {
        table.Execute("drop index " + index.Name + " on syslog");
    }
    std::size_t at = 0;
    for (const std::string& clause : clauses) {
        for (const ChartKind kind :
             {ChartKind::kHost, ChartKind::kFacility, ChartKind::kSeverity}) {
            for (const std::int64_t offset : {0, 5}) {
                const std::string column(history_statements::ChartColumn(kind));
                const std::vector<std::string> replaced =
                    rows("select " + column + ", count(*) as total from syslog " + clause +
                         " group by " + column + " order by syslog_datetime desc limit " +
                         std::to_string(offset) + ",1000");
                EXPECT_FALSE(replaced.empty() && offset == 0) << clause;
                EXPECT_EQ(charts[at++], replaced) << clause << " " << column << " " << offset;
            }
        }
    }
}

}  // namespace
}  // namespace trevalon
