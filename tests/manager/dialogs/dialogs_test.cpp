#include <QCheckBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include "manager/dialogs/about_window.h"
#include "manager/dialogs/dialog_statements.h"
#include "manager/dialogs/login_database_dialog.h"
#include "manager/dialogs/scheduling_dialog.h"
#include "manager/main_window/main_window.h"
#include "manager/main_window/qt_owner_loop.h"
#include "manager/program/dialog_menu.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/manager/gui_test_support.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

QPushButton& Button(QWidget& dialog, const QString& text) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return *button;
        }
    }
    throw std::runtime_error("no button " + text.toStdString());
}

void Type(QLineEdit& field, const QString& text) {
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_Delete);
    QTest::keyClicks(&field, text);
}

// Started with an account the server refuses: the dialog asks again, refuses a port that is no
// number without trying, and with the right account creates the database and hides itself.
TEST(LoginDatabaseDialog, WrongPortThenWrongAccountThenTheDatabaseIsCreated) {
    testing::GuiApplication();
    testing::TempInstallation installation;
    testing::RequireServer(installation);
    testing::ScratchDatabase database(testing::TestDatabaseName("login"), false);
    testing::WriteWholeFile(installation.ConfFolder() + "SysInit.ini",
                            "[Database]\nDBUsername=" + testing::TheTestDatabaseAccount().user +
                                "\nDBPassword=not the password\n");
    QtOwnerLoop loop;
    SyslogEngine engine(loop, installation.Settings(), PipelineVariant::Manager(), EngineTimings{},
                        database.Name());
    MainWindow window(engine);
    ASSERT_FALSE(engine.Bootstrap());
    auto* dialog = new LoginDatabaseDialog(window, engine);
    dialog->show();
    EXPECT_FALSE(window.menuBar()->isEnabled());
    EXPECT_EQ(dialog->Status().currentMessage(), "Please input the valid connecting parameters.");
    EXPECT_EQ(dialog->Username().text().toStdString(), testing::TheTestDatabaseAccount().user);
    testing::SaveScreenshot(*dialog, "login_dialog");

    Type(dialog->Port(), "33o6");
    QTest::mouseClick(&Button(*dialog, "Connect"), Qt::LeftButton);
    auto* box = dialog->findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Database Port is invalid integer or empty.");
    EXPECT_EQ(engine.Settings()->Database.Port, "3306");
    box->close();

    Type(dialog->Port(), "3306");
    QTest::mouseClick(&Button(*dialog, "Connect"), Qt::LeftButton);
    EXPECT_EQ(dialog->Status().currentMessage(), "The parameters are wrong, please input again.");
    EXPECT_TRUE(dialog->isVisible());

    Type(dialog->Password(), QString::fromStdString(testing::TheTestDatabaseAccount().password));
    QTest::mouseClick(&Button(*dialog, "Connect"), Qt::LeftButton);
    EXPECT_EQ(dialog->Status().currentMessage(),
              "Please be patient, it may take a few second for first start.");
    ASSERT_TRUE(testing::ProcessUntil([&] { return !dialog->isVisible(); }));
    EXPECT_TRUE(engine.DataModule().ObjectExists("syslog"));
    EXPECT_NE(testing::DiagnosticLogText(installation).find("[INFO] Application starts.\r\n"),
              std::string::npos);
}

// The About window takes the main window's controls while it is open and gives them back.
TEST(AboutWindow, ShowsTheNoticeAndGivesTheControlsBackWhenClosed) {
    testing::GuiApplication();
    testing::TempInstallation installation;
    QtOwnerLoop loop;
    SyslogEngine engine(loop, installation.Settings(), PipelineVariant::Manager());
    MainWindow window(engine);
    auto* about = new AboutWindow(window);
    about->show();
    EXPECT_FALSE(window.menuBar()->isEnabled());
    EXPECT_TRUE(about->Notice().toPlainText().startsWith("Varnholt Trevalon v4.1.0\nCopyright"));
    testing::SaveScreenshot(*about, "about_window");
    QTest::mouseClick(&Button(*about, "OK"), Qt::LeftButton);
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(window.menuBar()->isEnabled());
}

// Opened from the menu on the seeded table with one odd value: the cells show the table, the
// switches set whole days and hours, Apply writes every hour, Cancel drops edits, and a write
// that fails says so.
TEST(SchedulingDialog, ShowsTheTableSwitchesDaysAndHoursAndWritesEveryHour) {
    testing::GuiApplication();
    testing::TempInstallation installation;
    testing::RequireServer(installation);
    testing::ScratchDatabase database(testing::TestDatabaseName("scheduling"), false);
    testing::WriteWholeFile(installation.ConfFolder() + "SysInit.ini",
                            testing::TestDatabaseAccountSection());
    QtOwnerLoop loop;
    SyslogEngine engine(loop, installation.Settings(), PipelineVariant::Manager(), EngineTimings{},
                        database.Name());
    MainWindow window(engine);
    WireDialogs(window, engine);
    ASSERT_TRUE(engine.Bootstrap());
    DatabaseConnection& table = engine.DataModule().Connection();
    table.Execute("update scheduling set sun=\"on\" where schedule_time=5");
    window.show();

    window.Action("Scheduling")->trigger();
    auto* dialog = window.findChild<SchedulingDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(window.menuBar()->isEnabled());
    EXPECT_FALSE(dialog->ApplyButton().isEnabled());
    EXPECT_EQ(dialog->Status().currentMessage(), "You can update schedule now.");
    int ticked = 0;
    for (int hour = 0; hour < 24; ++hour) {
        for (int day = 0; day < 7; ++day) {
            ticked += dialog->Cell(day, hour).isChecked() ? 1 : 0;
        }
    }
    EXPECT_EQ(ticked, 167);
    EXPECT_FALSE(dialog->Cell(6, 5).isChecked());
    testing::SaveScreenshot(*dialog, "scheduling_dialog");

    // Sunday on and off again clears the whole day; the 03:00 switch then fills its hour.
    QTest::mouseClick(&dialog->DaySwitch(6), Qt::LeftButton);
    EXPECT_TRUE(dialog->Cell(6, 5).isChecked());
    QTest::mouseClick(&dialog->DaySwitch(6), Qt::LeftButton);
    QTest::mouseClick(&dialog->HourSwitch(3), Qt::LeftButton);
    ASSERT_TRUE(testing::ProcessUntil([&] { return dialog->ApplyButton().isEnabled(); }));
    QTest::mouseClick(&dialog->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(dialog->Status().currentMessage(),
              "The new scheduling has been saved and will be effective now.");
    EXPECT_FALSE(dialog->ApplyButton().isEnabled());
    const QueryResult stored =
        table.Query("select schedule_time,mon,sun from scheduling order by schedule_time");
    ASSERT_EQ(stored.RowCount(), 24u);
    for (std::size_t hour = 0; hour < 24; ++hour) {
        EXPECT_EQ(stored.Text(hour, "mon"), "yes");
        EXPECT_EQ(stored.Text(hour, "sun"), hour == 3 ? "yes" : "no") << hour;
    }
    EXPECT_EQ(
        dialog_statements::UpdateSchedulingHour(7, {true, false, true, false, true, false, true}),
        "update scheduling set mon=\"yes\" , tue=\"no\" , wed=\"yes\" , thu=\"no\" , "
        "fri=\"yes\" , sat=\"no\" , sun=\"yes\" where schedule_time=7");

    // Cleared but cancelled: nothing stored, and the next showing has the table again.
    QTest::mouseClick(&Button(*dialog, "Clear All"), Qt::LeftButton);
    QTest::mouseClick(&Button(*dialog, "Cancel"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(window.menuBar()->isEnabled());
    EXPECT_EQ(window.statusBar()->currentMessage(), "Updating option settings cancel.");
    window.Action("Scheduling")->trigger();
    EXPECT_TRUE(dialog->Cell(0, 0).isChecked());

    table.Execute("rename table scheduling to scheduling_gone");
    dialog->activateWindow();
    ASSERT_TRUE(testing::ProcessUntil([&] { return dialog->isActiveWindow(); }));
    QTest::mouseClick(&Button(*dialog, "Select All"), Qt::LeftButton);
    ASSERT_TRUE(testing::ProcessUntil([&] { return dialog->ApplyButton().isEnabled(); }));
    QTest::mouseClick(&dialog->ApplyButton(), Qt::LeftButton);
    auto* box = dialog->findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().startsWith("ERR90101 : ")) << box->text().toStdString();
    EXPECT_TRUE(dialog->ApplyButton().isEnabled());
    EXPECT_NE(testing::DiagnosticLogText(installation).find("[ERROR] ERR90101 : "),
              std::string::npos);
}

}  // namespace
}  // namespace trevalon
