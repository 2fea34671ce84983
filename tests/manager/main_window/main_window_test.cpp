#include "manager/main_window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMovie>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

#include <filesystem>

#include <gtest/gtest.h>

#include "manager/main_window/closing_window.h"
#include "manager/main_window/help_window.h"
#include "manager/main_window/qt_owner_loop.h"
#include "manager/main_window/version_check.h"
#include "tests/engine/http_sms/http_test_peer.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/manager/gui_test_support.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using namespace std::chrono_literals;
using testing::ProcessUntil;
using testing::SaveScreenshot;

// The manager's window on an engine of its own: started by the initialisation, fed by real
// datagrams, cleared and stopped from its menus.
TEST(MainWindow, ShowsReceivedMessagesNewestOnTopAndSwitchesReceptionFromItsMenu) {
    testing::GuiApplication();
    testing::TempInstallation installation;
    testing::RequireServer(installation);
    testing::ScratchDatabase database(testing::TestDatabaseName("manager"), false);
    testing::WriteWholeFile(installation.ConfFolder() + "SysInit.ini",
                            "[System]\nSysLogPort=0\nShowLogItem=2\n[Message]\nKernel=Red\n" +
                                testing::TestDatabaseAccountSection());
    QtOwnerLoop loop;
    SyslogEngine engine(loop, installation.Settings(), PipelineVariant::Manager(),
                        EngineTimings{20ms, 20ms, 1h, 1h}, database.Name());
    MainWindow window(engine);
    ASSERT_TRUE(engine.Bootstrap());
    window.resize(900, 600);
    window.show();
    ASSERT_TRUE(ProcessUntil([&] { return engine.ScheduleArmed(); }));
    EXPECT_FALSE(window.Action("Start")->isEnabled());
    EXPECT_TRUE(window.Action("Stop")->isEnabled());
    EXPECT_EQ(window.statusBar()->currentMessage(), "Trevalon starts.");

    const std::uint16_t port = engine.Reception().UdpPort();
    testing::SendLoopbackDatagram(port, "<0>Mar  1 10:15:00 first kernel: one");
    testing::SendLoopbackDatagram(port, "<13>Mar  1 10:15:01 second app: two");
    testing::SendLoopbackDatagram(port, "<13>Mar  1 10:15:02 third app: three & <b>four</b>");
    ASSERT_TRUE(ProcessUntil([&] {
        return window.Messages().rowCount() == 2 &&
               window.Messages().Row(0).value(4).contains("three");
    }));
    // The cap of two keeps the two newest, newest on top.
    EXPECT_EQ(window.Messages().Row(1).value(4), " two");
    EXPECT_EQ(window.Messages().Row(0).value(1), "third");
    EXPECT_EQ(window.Messages()
                  .data(window.Messages().index(1, 0), Qt::BackgroundRole)
                  .value<QBrush>()
                  .color(),
              QColor(0xB7, 0xB7, 0xFF));
    SaveScreenshot(window, "main_window");

    // Both rows selected with the mouse, then exported from the list's context menu.
    QTreeView& list = window.MessageList();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(window.Messages().index(0, 0)).center());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier,
                      list.visualRect(window.Messages().index(1, 0)).center());
    QString askedTitle;
    window.SetSavePathChooser([&](const QString& title, const QString&, const QString&) {
        askedTitle = title;
        return QString::fromStdString(installation.LogFolder() + "rows");
    });
    for (QAction* action : window.MessageMenu().actions()) {
        if (action->menu() != nullptr) {
            action->menu()->actions().value(0)->trigger();
        }
    }
    EXPECT_EQ(askedTitle, "Please select exporting csv file path.");
    EXPECT_EQ(testing::ReadWholeFile(installation.LogFolder() + "rows.csv"),
              "\"" + window.Messages().Row(0).value(0).toStdString() +
                  "\",third,\"User Level\",Notice,\" three & <b>four</b>\"\r\n\"" +
                  window.Messages().Row(1).value(0).toStdString() +
                  "\",second,\"User Level\",Notice,\" two\"\r\n");
    EXPECT_EQ(window.statusBar()->currentMessage(), "Export data completed successfully.");

    // A double click shows the message beside the list, a double click on it hides it again.
    const QPoint second = list.visualRect(window.Messages().index(1, 2)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, second);
    EXPECT_TRUE(window.DetailsPanel().isVisible());
    SaveScreenshot(window, "main_window_details");
    QTest::mouseDClick(&window.DetailsPanel(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(window.DetailsPanel().isVisible());

    window.Action("Clear SysLog Messages")->trigger();
    EXPECT_EQ(window.Messages().rowCount(), 0);
    window.Action("Stop")->trigger();
    EXPECT_FALSE(engine.UdpListenerActive());
    EXPECT_TRUE(window.Action("Start")->isEnabled());
    EXPECT_EQ(window.statusBar()->currentMessage(), "Trevalon stops.");
    // The operator's Stop holds until Start, whatever the schedule says.
    EXPECT_FALSE(engine.ScheduleArmed());

    // Changed settings reach the window as they are published.
    EngineSettings changed = *engine.Settings();
    changed.System.ShowFunctionBar = false;
    engine.PublishSettings(changed);
    EXPECT_FALSE(window.FunctionBar().isVisible());
    EXPECT_FALSE(window.Action("Function Bar")->isChecked());
}

// The tray menu in its order with the About item following the window's action, and the closing
// window turning its pictures.
TEST(MainWindow, TrayMenuAndClosingWindow) {
    testing::GuiApplication();
    testing::TempInstallation installation;
    QtOwnerLoop loop;
    SyslogEngine engine(loop, installation.Settings(), PipelineVariant::Manager());
    MainWindow window(engine);
    QStringList items;
    for (QAction* action : window.TrayMenu().actions()) {
        items << (action->isSeparator() ? "-" : action->text());
    }
    EXPECT_EQ(items, (QStringList{"Show", "Hide", "-", "Trevalon Help", "-", "Varnholt Home Page",
                                  "FAQ Page", "-", "About...", "-", "Close"}));
    window.Action("About...")->setEnabled(true);
    EXPECT_TRUE(window.TrayMenu().actions().value(8)->isEnabled());
    window.TrayMenu().popup(QPoint(100, 100));
    SaveScreenshot(window.TrayMenu(), "tray_menu");
    window.TrayMenu().close();

    ClosingWindow closing(&window);
    closing.show();
    const int first = closing.Picture();
    EXPECT_TRUE(ProcessUntil([&] { return closing.Picture() != first; }));
    SaveScreenshot(closing, "closing_window");
}

// The tool bar as the user sees it, the help set opened with F12 (and ERR00003 without it), the
// animation started by activation, and the version check against a loopback web server.
TEST(MainWindow, ToolBarHelpAnimationAndVersionCheck) {
    testing::GuiApplication();
    testing::TempInstallation installation;
    std::filesystem::create_directories(installation.AppPath() + "/help");
    std::filesystem::create_directories(installation.AppPath() + "/bin");
    testing::WriteWholeFile(installation.AppPath() + "/help/index.htm",
                            "<html><body><h1>Contents</h1>"
                            "<a href=\"emailalarm.htm\">E-mail</a></body></html>");
    std::filesystem::copy_file(TREVALON_ANIMATION_FILE,
                               installation.AppPath() + "/bin/Varnholt.gif");
    testing::HttpTestPeer web([](const testing::HttpRequestRecord&, std::size_t) {
        return testing::HttpReply{
            testing::HttpResponse(200, "OK", "Content-Type: text/xml\r\n",
                                  "  <products><Other><version>9.9</version></Other>"
                                  "<Trevalon><version> 4.2.0 </version></Trevalon></products>\n")};
    });
    EngineSettings settings = installation.Settings();
    settings.System.VersionCheckURL = "127.0.0.1:" + std::to_string(web.Port()) + "/version.xml";
    QtOwnerLoop loop;
    SyslogEngine engine(loop, settings, PipelineVariant::Manager());
    MainWindow window(engine);
    window.show();

    QStringList buttons;
    for (QAction* action : window.FunctionBar().actions()) {
        if (!action->isSeparator() && !action->text().isEmpty()) {
            buttons << action->text().remove('&');
        }
    }
    EXPECT_EQ(buttons, (QStringList{"Scheduling", "Start", "Stop", "Clear Log", "Alarm",
                                    "Filtering", "Chart", "General"}));
    window.EnableMainControls(false);
    EXPECT_FALSE(window.FunctionBar().widgetForAction(window.Action("Start"))->isEnabled());
    EXPECT_TRUE(window.Animation().isEnabled());
    window.EnableMainControls(true);

    window.activateWindow();
    ASSERT_TRUE(ProcessUntil([&] { return window.Animation().movie() != nullptr; }));
    EXPECT_EQ(window.Animation().movie()->frameCount(), 12);
    EXPECT_EQ(window.Animation().movie()->state(), QMovie::Running);
    SaveScreenshot(window, "main_window_tool_bar");

    QTest::keyClick(&window, Qt::Key_F12);
    ASSERT_NE(window.Help(), nullptr);
    EXPECT_TRUE(window.Help()->isVisible());
    EXPECT_TRUE(window.Help()->Browser().toPlainText().startsWith("Contents"));
    SaveScreenshot(*window.Help(), "help_window");

    std::filesystem::remove_all(installation.AppPath() + "/help");
    window.activateWindow();
    ASSERT_TRUE(ProcessUntil([&] { return window.isActiveWindow(); }));
    QString warning;
    QTimer::singleShot(0, [&warning] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr) {
            warning = box->text();
            box->close();
        }
    });
    QTest::keyClick(&window, Qt::Key_F12);
    EXPECT_EQ(warning, "ERR00003 : Help file not found.");

    QAction* download = window.Action("Download new version");
    EXPECT_FALSE(download->isVisible());
    window.CheckForNewVersion();
    ASSERT_TRUE(ProcessUntil([&] { return download->isVisible(); }));
    const std::vector<testing::HttpRequestRecord> requests = web.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].RequestLine(), "GET /version.xml HTTP/1.1");
    EXPECT_EQ(requests[0].Header("User-Agent"), "Mozilla/3.0");
    EXPECT_EQ(requests[0].Header("Accept"), "text/html, */*");
}

TEST(VersionCheck, PublishedVersionWalksTheDocumentElementsChildren) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"<v><Trevalon><version>4.1.0</version></Trevalon></v>", "4.1.0"},
        {"<v><Other/><Trevalon><notes/><version>\n 5.0 \n</version></Trevalon></v>", "5.0"},
        // The first product element counts, even without a version.
        {"<v><Trevalon/><Trevalon><version>6</version></Trevalon></v>", ""},
        {"<v><other><Trevalon><version>7</version></Trevalon></other></v>", ""},
        {"<v><Trevalon><version>4.1.0</version></Trevalon>", std::nullopt},
        {"Service Unavailable", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [body, expected] : cases) {
        EXPECT_EQ(PublishedVersion(body, "Trevalon"), expected) << body;
    }
}

}  // namespace
}  // namespace trevalon
