#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <filesystem>

#include <gtest/gtest.h>

#include "foundation/settings_file.h"
#include "manager/dialogs/about_window.h"
#include "manager/dialogs/contact_group_picker.h"
#include "manager/dialogs/contact_groups_dialog.h"
#include "manager/dialogs/contacts_dialog.h"
#include "manager/dialogs/dialog_statements.h"
#include "manager/dialogs/filtering_dialog.h"
#include "manager/dialogs/login_database_dialog.h"
#include "manager/dialogs/options_dialog.h"
#include "manager/dialogs/scheduling_dialog.h"
#include "manager/main_window/main_window.h"
#include "manager/main_window/qt_owner_loop.h"
#include "manager/program/dialog_menu.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/manager/gui_test_support.h"
#include "tests/support/loopback_ports.h"
#include "tests/support/temp_installation.h"
#include "ui_filtering_dialog.h"
#include "ui_options_dialog.h"

namespace trevalon {
namespace {

using namespace std::chrono_literals;

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
                            "[System]\nSysLogPort=0\n" + testing::TestDatabaseAccountSection());
    QtOwnerLoop loop;
    SyslogEngine engine(loop, installation.Settings(), PipelineVariant::Manager(),
                        EngineTimings{20ms, 20ms, 50ms, 1h}, database.Name());
    MainWindow window(engine);
    WireDialogs(window, engine);
    ASSERT_TRUE(engine.Bootstrap());
    ASSERT_TRUE(testing::ProcessUntil([&] { return engine.UdpListenerActive(); }));
    DatabaseConnection& table = engine.DataModule().Connection();
    table.Execute("update scheduling set sun=\"on\" where schedule_time=5");
    window.show();

    auto* dialog = testing::OpenDialog<SchedulingDialog>(window, "Scheduling");
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

    // Nothing scheduled: the running engine's next check stops reception.
    dialog->activateWindow();
    ASSERT_TRUE(testing::ProcessUntil([&] { return dialog->isActiveWindow(); }));
    QTest::mouseClick(&Button(*dialog, "Clear All"), Qt::LeftButton);
    ASSERT_TRUE(testing::ProcessUntil([&] { return dialog->ApplyButton().isEnabled(); }));
    QTest::mouseClick(&dialog->ApplyButton(), Qt::LeftButton);
    EXPECT_TRUE(testing::ProcessUntil([&] { return !engine.UdpListenerActive(); }));

    table.Execute("rename table scheduling to scheduling_gone");
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

// A file with values the lists do not offer: they show and survive a save. Every check refuses
// its field on its page; a valid save registers the service, publishes and writes the settings;
// Default fills the defaults and Cancel stores nothing.
TEST(OptionsDialog, ChecksEachFieldSavesPublishesAndKeepsWhatTheListsDoNotOffer) {
    testing::GuiApplication();
    testing::TempInstallation installation;
    const std::string ini = installation.ConfFolder() + "SysInit.ini";
    testing::WriteWholeFile(ini,
                            "[System]\nShowLogItem=0\n[System Log]\nHouseKeepDay=1500\n"
                            "[Message]\nKernel=Pink\nUserLevel=Pink\n");
    EngineSettings settings = installation.Settings();
    ReadSettingsFile(settings);
    QtOwnerLoop loop;
    SyslogEngine engine(loop, settings, PipelineVariant::Manager());
    MainWindow window(engine);
    std::vector<bool> registrations;
    auto* dialog = new OptionsDialog(window, engine, [&](const EngineSettings&, bool install) {
        registrations.push_back(install);
    });
    const std::string elsewhere = installation.AppPath() + "/elsewhere";
    std::filesystem::create_directories(elsewhere);
    dialog->SetFileChooser([&](const QString& title, const QString&, const QString& name) {
        EXPECT_EQ(title, "Please select the backup SysLog file path.");
        return QString::fromStdString(elsewhere + "/") + name;
    });
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(testing::ProcessUntil([&] { return dialog->isActiveWindow(); }));
    Ui::OptionsDialog& form = dialog->Form();
    EXPECT_EQ(window.statusBar()->currentMessage(), "Updating the settings.");
    EXPECT_EQ(form.numberOfLogs->currentText(), "0 (no limit)");
    EXPECT_EQ(form.systemLogHouseKeep->currentIndex(), -1);
    EXPECT_EQ(dialog->Colour(1).currentText(), "Black");
    EXPECT_FALSE(form.apply->isEnabled());
    for (int page = 0; page < form.pages->count(); ++page) {
        form.pages->setCurrentIndex(page);
        testing::SaveScreenshot(*dialog, QString("options_dialog_page_%1").arg(page));
    }

    const struct {
        QLineEdit* field;
        const char* text;
        int page;
        const char* message;
    } refusals[] = {
        {form.udpPort, "0", 1, "SysLog UDP Port is invalid integer or empty."},
        {form.udpPort, "65536", 1, "SysLog UDP Port is invalid integer or empty."},
        {form.bufferSize, "8k", 1, "SysLog UDP Buffer Size is invalid integer or empty."},
        {form.bufferSize, "4096", 1, "SysLog UDP Buffer Size must be at least 8192KB."},
        {form.tcpPort, "", 1, "SysLog TCP Port is invalid integer or empty."},
        {form.tcpTimeout, "5s", 1, "SysLog TCP Connection Timeout is invalid integer or empty."},
        {form.maxConcurrent, "", 2, "Max Concurrent Alarms is invalid integer or empty."},
        {form.queuingAlarms, "x", 2, "No. of Queuing Alarms is invalid integer or empty."},
        {form.queuingTime, "1.5", 2, "Alarm Queuing Time is invalid integer or empty."},
        {form.host, "", 3, "Database Host field is empty."},
        {form.port, "33o6", 3, "Database Port is invalid integer or empty."},
    };
    for (const auto& refusal : refusals) {
        const QString kept = refusal.field->text();
        form.pages->setCurrentIndex(refusal.page);
        QTest::mouseClick(refusal.field, Qt::LeftButton);
        ASSERT_TRUE(form.apply->isEnabled());
        refusal.field->setText(refusal.text);
        form.pages->setCurrentIndex(0);
        QTest::mouseClick(form.apply, Qt::LeftButton);
        auto* box = dialog->findChild<QMessageBox*>();
        ASSERT_NE(box, nullptr) << refusal.message;
        EXPECT_EQ(box->text(), refusal.message);
        EXPECT_EQ(form.pages->currentIndex(), refusal.page) << refusal.message;
        box->close();
        delete box;
        refusal.field->setText(kept);
    }
    EXPECT_TRUE(registrations.empty());

    form.pages->setCurrentIndex(4);
    QTest::mouseClick(form.choosePath, Qt::LeftButton);
    EXPECT_EQ(form.filePath->text().toStdString(), elsewhere + "/");
    dialog->Colour(0).setCurrentText("Red");
    form.bufferSize->setText("8192");
    form.pages->setCurrentIndex(0);
    // On the box's caption: the row is wider than what a click ticks.
    QTest::mouseClick(form.runAsService, Qt::LeftButton, {},
                      QPoint(10, form.runAsService->height() / 2));
    QTest::mouseClick(form.apply, Qt::LeftButton);
    EXPECT_EQ(dialog->Status().currentMessage(), "Option settings saved.");
    EXPECT_EQ(window.statusBar()->currentMessage(), "Option settings saved.");
    EXPECT_FALSE(form.apply->isEnabled());
    EXPECT_EQ(registrations, std::vector<bool>{true});
    EXPECT_EQ(engine.Settings()->MessageColours[0], "Red");
    EXPECT_EQ(engine.Settings()->FileBackup.FilenamePath, elsewhere + "/");
    const std::string firstSave = testing::ReadWholeFile(ini);
    for (const char* line : {"ShowLogItem=0\n", "Kernel=Red\n", "UserLevel=Black\n",
                             "runAsWinService=1\n", "SysLogBufferSize=8192\n"}) {
        EXPECT_NE(firstSave.find(line), std::string::npos) << line << firstSave;
    }
    EngineSettings reread = installation.Settings();
    ReadSettingsFile(reread);
    EXPECT_EQ(reread.SystemLog.HouseKeepDay, 7);

    // A new row cap acts on the live list at once.
    form.pages->setCurrentIndex(2);
    form.numberOfLogs->setCurrentText("1");
    form.pages->setCurrentIndex(3);
    QTest::mouseClick(form.host, Qt::LeftButton);
    QTest::mouseClick(form.apply, Qt::LeftButton);
    window.Messages().AddOnTop({QStringList{"a"}, QStringList{"b"}});
    EXPECT_EQ(window.Messages().rowCount(), 1);
    const std::string saved = testing::ReadWholeFile(ini);

    QTest::mouseClick(form.defaults, Qt::LeftButton);
    EXPECT_EQ(form.udpPort->text(), "514");
    EXPECT_FALSE(form.fileEnable->isChecked());
    EXPECT_FALSE(form.fileName->isEnabled());
    EXPECT_EQ(form.numberOfLogs->currentText(), "100");
    EXPECT_TRUE(window.statusBar()->currentMessage().startsWith("Reset the settings to default."));
    QTest::mouseClick(form.cancel, Qt::LeftButton);
    EXPECT_EQ(window.statusBar()->currentMessage(), "Updating option settings cancel.");
    EXPECT_EQ(testing::ReadWholeFile(ini), saved);
}

// The message box a check or failure opened, closed; its text.
QString TakeBox(QWidget& dialog) {
    auto* box = dialog.findChild<QMessageBox*>();
    if (box == nullptr) {
        return QString();
    }
    const QString text = box->text();
    box->close();
    delete box;
    return text;
}

void DoubleClickRow(QTreeView& list, int row) {
    const QPoint at = list.visualRect(list.model()->index(row, 1)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
}

// Persons and a group made, changed and deleted through the two dialogs as the menus open them,
// hostile names stored exactly as typed.
TEST(ContactDialogs, PersonsAndAGroupOfThemFromTheMenus) {
    testing::GuiApplication();
    testing::TempInstallation installation;
    testing::RequireServer(installation);
    testing::ScratchDatabase database(testing::TestDatabaseName("contacts"), false);
    testing::WriteWholeFile(installation.ConfFolder() + "SysInit.ini",
                            testing::TestDatabaseAccountSection());
    QtOwnerLoop loop;
    SyslogEngine engine(loop, installation.Settings(), PipelineVariant::Manager(), EngineTimings{},
                        database.Name());
    MainWindow window(engine);
    WireDialogs(window, engine);
    ASSERT_TRUE(engine.Bootstrap());
    DatabaseConnection& table = engine.DataModule().Connection();
    window.show();

    auto* contacts = testing::OpenDialog<ContactsDialog>(window, "Contact Options");
    ASSERT_NE(contacts, nullptr);
    EXPECT_FALSE(contacts->DeleteButton().isEnabled());
    const auto add = [&](const QString& name, int field, const QString& address) {
        // Pasted rather than typed: key clicks know ASCII only.
        contacts->Field(0).setText(name);
        Type(contacts->Field(field), address);
        QTest::mouseClick(&contacts->SaveButton(), Qt::LeftButton);
    };
    add("Bob", 1, "details only");
    EXPECT_EQ(TakeBox(*contacts), "Please provide either Email, SMS or PagerID.");
    add("Bob", 4, "P-77");
    EXPECT_EQ(contacts->Status().currentMessage(), "New contact person has been saved.");
    const QString hostile = QString::fromUtf8("O'Brien \"x\" \\ 100% _y, Ünï\");");
    add(hostile, 2, "ob@example.com");
    add("Carol", 3, "+4712345678");
    ASSERT_EQ(contacts->Persons().rowCount(), 3);
    EXPECT_EQ(contacts->Persons().Row(0).value(1), "Bob");
    EXPECT_EQ(contacts->Persons().Row(2).value(1), hostile);
    EXPECT_EQ(QString::fromStdString(
                  table.Query("select name from contact_person where email=\"ob@example.com\"")
                      .Text(0, "name")),
              hostile);
    testing::SaveScreenshot(*contacts, "contacts_dialog");

    // Carol keeps her own name, but cannot take Bob's.
    DoubleClickRow(contacts->List(), 1);
    EXPECT_EQ(contacts->SaveButton().text(), "Save Update");
    EXPECT_EQ(contacts->Field(3).text(), "+4712345678");
    QTest::mouseClick(&contacts->SaveButton(), Qt::LeftButton);
    EXPECT_EQ(contacts->Status().currentMessage(), "The contact person has been updated.");
    Type(contacts->Field(0), "Bob");
    QTest::mouseClick(&contacts->SaveButton(), Qt::LeftButton);
    EXPECT_EQ(TakeBox(*contacts), "Person Name must be unique.");
    QTest::mouseClick(&Button(*contacts, "Cancel"), Qt::LeftButton);

    auto* groups = testing::OpenDialog<ContactGroupsDialog>(window, "Contact Group Options");
    ASSERT_NE(groups, nullptr);
    EXPECT_EQ(groups->Available().count(), 3);
    EXPECT_FALSE(groups->Button("<<").isEnabled());
    Type(groups->GroupName(), "On call");
    QTest::mouseClick(&groups->Button("Save New"), Qt::LeftButton);
    EXPECT_EQ(TakeBox(*groups), "Please select contact person.");
    QTest::mouseClick(&groups->Button(">>"), Qt::LeftButton);
    EXPECT_FALSE(groups->Button(">").isEnabled());
    QTest::mouseClick(&groups->Button("Save New"), Qt::LeftButton);
    EXPECT_EQ(groups->Status().currentMessage(), "New contact group has been saved.");
    EXPECT_EQ(groups->Available().count(), 3);

    QTest::mouseClick(&groups->Button("....."), Qt::LeftButton);
    ContactGroupPicker* picker = groups->Picker();
    ASSERT_NE(picker, nullptr);
    ASSERT_EQ(picker->Groups().rowCount(), 1);
    testing::SaveScreenshot(*picker, "contact_group_picker");
    DoubleClickRow(picker->List(), 0);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(groups->GroupName().text(), "On call");
    EXPECT_EQ(groups->Selected().count(), 3);
    EXPECT_EQ(groups->Available().count(), 0);
    EXPECT_EQ(groups->Status().currentMessage(), "You can update or delete this contract group.");
    testing::SaveScreenshot(*groups, "contact_groups_dialog");
    QTest::mouseClick(&Button(*groups, "Cancel"), Qt::LeftButton);

    // Deleting Bob takes him out of the group, which keeps the other two.
    window.Action("Contact Options")->trigger();
    EXPECT_EQ(contacts->SaveButton().text(), "Save New");
    DoubleClickRow(contacts->List(), 0);
    QTest::mouseClick(&contacts->DeleteButton(), Qt::LeftButton);
    EXPECT_EQ(contacts->Status().currentMessage(), "The contact person has been deleted.");
    EXPECT_EQ(contacts->Persons().rowCount(), 2);
    EXPECT_EQ(table.Query("select count(*) as n from contact_person_group").Integer(0, "n"), 2);
}

void SetTicks(QListWidget& list, std::initializer_list<int> rows) {
    for (int row = 0; row < list.count(); ++row) {
        list.item(row)->setCheckState(
            std::find(rows.begin(), rows.end(), row) != rows.end() ? Qt::Checked : Qt::Unchecked);
    }
}

// Rules made through the dialog against persons and a group stored beforehand: the checks in
// their order, the ping's three outcomes (faked: nothing outside loopback is ever pinged), the
// key's uniqueness, a group stored as its members, "All" shown and loaded, hostile sources.
TEST(FilteringDialog, ChecksPingsKeysAndStoresRulesWithTheirContacts) {
    testing::GuiApplication();
    testing::TempInstallation installation;
    testing::RequireServer(installation);
    testing::ScratchDatabase database(testing::TestDatabaseName("filtering"), false);
    testing::WriteWholeFile(installation.ConfFolder() + "SysInit.ini",
                            "[System]\nSysLogPort=0\n" + testing::TestDatabaseAccountSection());
    QtOwnerLoop loop;
    SyslogEngine engine(loop, installation.Settings(), PipelineVariant::Manager(),
                        EngineTimings{20ms, 20ms, 1h, 1h}, database.Name());
    MainWindow window(engine);
    ASSERT_TRUE(engine.Bootstrap());
    DatabaseConnection& table = engine.DataModule().Connection();
    // E-mail goes to a loopback port nobody listens on: the alarm is queued, then fails.
    table.Execute(
        "insert into alarm_method (type,enable,ip,port) values (\"Email\",1,"
        "\"127.0.0.1\",1)");
    ASSERT_TRUE(testing::ProcessUntil([&] { return engine.ScheduleArmed(); }));
    for (const char* statement :
         {"insert into contact_person (name,email) values (\"Ann\",\"ann@example.com\")",
          "insert into contact_person (name,sms) values (\"Ben\",\"4711\")",
          "insert into contact_group (name) values (\"Ops\")",
          "insert into contact_person_group (contact_person_id,contact_group_id) select id,1 "
          "from contact_person"}) {
        table.Execute(statement);
    }
    auto* dialog = new FilteringDialog(window, engine, [](const std::string& host) {
        if (host == "10.0.0.1") {
            return platform::PingResult{platform::PingOutcome::kReply, {}};
        }
        if (host == "nohost.invalid") {
            return platform::PingResult{platform::PingOutcome::kCannotSend, "Name unknown"};
        }
        return platform::PingResult{platform::PingOutcome::kTimeout, {}};
    });
    dialog->show();
    Ui::FilteringDialog& form = dialog->Form();
    ASSERT_EQ(form.contacts->topLevelItemCount(), 3);
    EXPECT_EQ(form.contacts->topLevelItem(0)->text(1), "Group");
    EXPECT_FALSE(form.contacts->isEnabled());
    const auto save = [&] {
        QTest::mouseClick(form.save, Qt::LeftButton);
        EXPECT_TRUE(testing::ProcessUntil([&] { return !dialog->Pinging(); }));
    };

    const struct {
        const char* source;
        std::initializer_list<int> facilities, severities, methods;
        int page;
        const char* message;
    } refusals[] = {
        {"", {1}, {4}, {4}, 0, "IP / Domain is compulsory field, please input an valid IP."},
        {"10.0.0.1",
         {},
         {4},
         {4},
         0,
         "Facility is compulsory field, please select the facility(s)."},
        {"10.0.0.1",
         {1},
         {},
         {4},
         0,
         "Severity is compulsory field, please select the severity(s)."},
        {"10.0.0.1",
         {1},
         {4},
         {6},
         1,
         "Contact is compulsory field if Email, SMS or SMS by HTTP is selcted, please select the "
         "contact(s)."},
        {"10.0.0.1", {1}, {4}, {5}, 2, "SNMP Trap OID is compulsory field."},
    };
    for (const auto& refusal : refusals) {
        form.source->setText(refusal.source);
        SetTicks(*form.facilities, refusal.facilities);
        SetTicks(*form.severities, refusal.severities);
        SetTicks(*form.methods, refusal.methods);
        form.pages->setCurrentIndex(0);
        save();
        EXPECT_EQ(TakeBox(*dialog), refusal.message);
        EXPECT_EQ(dialog->Status().currentMessage(), refusal.message);
        EXPECT_EQ(form.pages->currentIndex(), refusal.page) << refusal.message;
    }
    form.trapOid->setText("6.1");
    save();
    EXPECT_EQ(TakeBox(*dialog), "SNMP Trap Enterprise is compulsory field.");
    // The repeat limit is a whole number of seconds, 0 or more.
    SetTicks(*form.methods, {4});
    for (const char* typed : {"", "-1", "2.5", "1e3", "ten", "+5", "0x10"}) {
        form.repeatSeconds->clear();
        QTest::keyClicks(form.repeatSeconds, typed);
        form.pages->setCurrentIndex(1);
        save();
        const QString message = "Alarm repeat limit must be a whole number of seconds, 0 or more.";
        EXPECT_EQ(TakeBox(*dialog), message) << typed;
        EXPECT_EQ(dialog->Status().currentMessage(), message);
        EXPECT_EQ(form.pages->currentIndex(), 0);
    }

    // Kernel and User Level with Critical and Error, forwarded only: no contact needed; blanks
    // around the repeat limit do no harm.
    form.source->setText("10.0.0.1");
    SetTicks(*form.facilities, {1, 2});
    SetTicks(*form.severities, {3, 4});
    SetTicks(*form.methods, {4});
    form.repeatSeconds->clear();
    QTest::keyClicks(form.repeatSeconds, " 30 ");
    save();
    EXPECT_EQ(dialog->Status().currentMessage(), "New filter rule has been saved.");
    EXPECT_EQ(form.pingResult->text(), "The IP / Domain is ok.");
    EXPECT_EQ(form.repeatSeconds->text(), "0");
    ASSERT_EQ(dialog->Rules().rowCount(), 1);
    EXPECT_EQ(dialog->Rules().Row(0).mid(1),
              (QStringList{"10.0.0.1", "Kernel/User Level", "Critical/Error", "SysLog", "", "30"}));
    EXPECT_EQ(table.Query("select alarm_repeat_seconds from filtering")
                  .Integer(0, "alarm_repeat_seconds"),
              30);

    // The key: Kernel with Error again is taken, Kernel with Warning is free.
    form.source->setText("10.0.0.1");
    SetTicks(*form.facilities, {1});
    SetTicks(*form.severities, {4});
    SetTicks(*form.methods, {4});
    save();
    EXPECT_EQ(TakeBox(*dialog),
              "Filtering rule (IP + Facility + Severity = Filtering rule key) must be unique.");
    SetTicks(*form.severities, {5});
    save();
    EXPECT_EQ(dialog->Rules().rowCount(), 2);

    // A name that does not resolve cannot be saved; a host that stays silent can.
    form.source->setText("nohost.invalid");
    SetTicks(*form.facilities, {1});
    SetTicks(*form.severities, {1});
    SetTicks(*form.methods, {4});
    save();
    EXPECT_EQ(TakeBox(*dialog), "The IP / Domain is not valid. : Name unknown");
    EXPECT_EQ(dialog->Rules().rowCount(), 2);
    const QString hostile = QString::fromUtf8("h\"o'st\\%_ü;");
    form.source->setText(hostile);
    save();
    EXPECT_EQ(TakeBox(*dialog), "The IP / Domain is not valid.");
    EXPECT_EQ(dialog->Rules().rowCount(), 3);
    EXPECT_EQ(QString::fromStdString(
                  table
                      .Query("select ip from filtering where facility_sfKernel=\"y\" and "
                             "severity_slEmergency=\"y\"")
                      .Text(0, "ip")),
              hostile);

    // Every facility and method, the group ticked: stored as its two members, no Trap OID needed.
    form.source->setText("*");
    SetTicks(*form.facilities, {0});
    SetTicks(*form.severities, {1});
    SetTicks(*form.methods, {0});
    form.contacts->topLevelItem(0)->setCheckState(0, Qt::Checked);
    form.repeatSeconds->clear();
    QTest::keyClicks(form.repeatSeconds, "45");
    save();
    EXPECT_EQ(dialog->Status().currentMessage(), "New filter rule has been saved.");
    ASSERT_EQ(dialog->Rules().rowCount(), 4);
    EXPECT_EQ(dialog->Rules().Row(0).value(2).count('/'), 23);
    EXPECT_EQ(dialog->Rules().Row(0).value(5), "Ann,Ben");
    EXPECT_EQ(dialog->Rules().Row(0).value(6), "45");
    testing::SaveScreenshot(*dialog, "filtering_dialog");
    // The running engine alarms on the new rule at once, to the group's member with an address.
    testing::SendLoopbackDatagram(engine.Reception().UdpPort(), "<0>kernel: disk on fire");
    ASSERT_TRUE(testing::ProcessUntil([&] { return window.Alarms().rowCount() == 1; }));
    EXPECT_EQ(window.Alarms().Row(0).value(3), "Email");
    EXPECT_EQ(window.Alarms().Row(0).value(4), "ann@example.com");

    DoubleClickRow(*form.rules, 0);
    EXPECT_EQ(form.save->text(), "Save Update");
    EXPECT_EQ(form.facilities->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(form.facilities->item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(form.contacts->topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(form.contacts->topLevelItem(1)->checkState(0), Qt::Checked);
    EXPECT_EQ(dialog->Status().currentMessage(), "You can update or delete this filter rule.");
    EXPECT_EQ(form.repeatSeconds->text(), "45");
    form.repeatSeconds->clear();
    QTest::keyClicks(form.repeatSeconds, "0");
    save();
    EXPECT_EQ(dialog->Status().currentMessage(), "The filter rule has been updated.");
    EXPECT_EQ(dialog->Rules().Row(0).value(6), "0");
    EXPECT_EQ(table.Query("select alarm_repeat_seconds from filtering where ip=\"*\"")
                  .Integer(0, "alarm_repeat_seconds"),
              0);
    QTest::mouseClick(form.remove, Qt::LeftButton);
    EXPECT_EQ(dialog->Status().currentMessage(), "The filter rule has been deleted.");
    EXPECT_EQ(dialog->Rules().rowCount(), 3);
    EXPECT_EQ(table.Query("select count(*) as n from filtering_contact").Integer(0, "n"), 0);
}

}  // namespace
}  // namespace trevalon
