#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include "manager/dialogs/about_window.h"
#include "manager/dialogs/login_database_dialog.h"
#include "manager/main_window/main_window.h"
#include "manager/main_window/qt_owner_loop.h"
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

}  // namespace
}  // namespace trevalon
