// What the manager's dialogs store is what the service alarms by: the alarm methods, contacts
// and a rule made in the dialogs, then the built TrevalonService started on that database.

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include <chrono>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "manager/dialogs/alarm_options_dialog.h"
#include "manager/dialogs/contacts_dialog.h"
#include "manager/dialogs/filtering_dialog.h"
#include "manager/main_window/main_window.h"
#include "manager/main_window/qt_owner_loop.h"
#include "manager/program/dialog_menu.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/manager/gui_test_support.h"
#include "tests/support/loopback_ports.h"
#include "tests/support/program_process.h"
#include "tests/support/scripted_line_server.h"
#include "tests/support/udp_receiver.h"
#include "ui_alarm_options_dialog.h"
#include "ui_filtering_dialog.h"

namespace trevalon {
namespace {

using namespace std::chrono_literals;

// An SMTP server that accepts one message and keeps the dialogue.
testing::ScriptedLineServer::Script AcceptOneMessage() {
    return [](testing::ScriptedConnection& connection) {
        connection.Reply("220 mail.test ESMTP");
        while (const auto line = connection.ReadLine()) {
            if (line->rfind("DATA", 0) == 0) {
                connection.Reply("354 go ahead");
                while (const auto body = connection.ReadLine()) {
                    if (*body == ".") {
                        break;
                    }
                }
                connection.Reply("250 queued");
            } else if (line->rfind("QUIT", 0) == 0) {
                connection.Reply("221 bye");
                return;
            } else {
                connection.Reply("250 ok");
            }
        }
    };
}

TEST(DialogsToService, ARuleContactsAndMethodsMadeInTheDialogsMakeTheServiceAlarmExactlyThem) {
    testing::GuiApplication();
    testing::TempInstallation installation;
    ASSERT_NO_FATAL_FAILURE(testing::RequireServer(installation));
    testing::CreateSystemDatabase();
    testing::WriteWholeFile(
        installation.ConfFolder() + "SysInit.ini",
        "[System]\nSysLogPort=0\nSysLogTCPEnable=0\n" + testing::TestDatabaseAccountSection());
    const std::string marker = "d2s" + std::to_string(getpid());
    testing::ScriptedLineServer smtp(AcceptOneMessage());
    testing::UdpReceiver forwards;
    std::int64_t ruleId = 0;
    // The rows the methods dialog adds beside the e-mail and the forward, removed at the end.
    std::vector<std::string> newMethodTypes;
    {
        QtOwnerLoop loop;
        SyslogEngine engine(loop, installation.Settings(), PipelineVariant::Manager());
        MainWindow window(engine);
        WireDialogs(window, engine);
        ASSERT_TRUE(engine.Bootstrap());
        std::set<std::string> typesBefore;
        const QueryResult stored =
            engine.DataModule().Connection().Query("SELECT type FROM alarm_method");
        for (std::size_t row = 0; row < stored.RowCount(); ++row) {
            typesBefore.insert(stored.Text(row, "type"));
        }
        for (const std::string_view type : {"SMS", "SMS by HTTP", "SNMP", "SNPP"}) {
            if (!typesBefore.contains(std::string(type))) {
                newMethodTypes.emplace_back(type);
            }
        }
        auto* methods = testing::OpenDialog<AlarmOptionsDialog>(window, "Alarm Options");
        ASSERT_NE(methods, nullptr);
        Ui::AlarmOptionsDialog& mail = methods->Form();
        mail.emailEnable->setChecked(true);
        mail.emailHost->setText("127.0.0.1");
        mail.emailPort->setText(QString::number(smtp.Port()));
        mail.emailFrom->setText("trevalon@example.com");
        mail.emailAuthenticate->setChecked(false);
        mail.syslogEnable->setChecked(true);
        mail.syslogHost->setText("127.0.0.1");
        mail.syslogPort->setText(QString::number(forwards.Port()));
        methods->activateWindow();
        ASSERT_TRUE(testing::ProcessUntil([&] { return methods->isActiveWindow(); }));
        mail.pages->setCurrentIndex(0);
        mail.emailHost->setFocus();
        ASSERT_TRUE(testing::ProcessUntil([&] { return mail.apply->isEnabled(); }));
        QTest::mouseClick(mail.apply, Qt::LeftButton);
        ASSERT_EQ(methods->Status().currentMessage(), "Option settings saved.");
        methods->close();

        auto* contacts = testing::OpenDialog<ContactsDialog>(window, "Contact Options");
        ASSERT_NE(contacts, nullptr);
        for (const char* who : {"ann", "bob", "cid"}) {
            contacts->Field(0).setText(QString("%1 %2").arg(who, marker.c_str()));
            contacts->Field(2).setText(QString("%1.%2@example.com").arg(who, marker.c_str()));
            QTest::mouseClick(&contacts->SaveButton(), Qt::LeftButton);
            ASSERT_EQ(contacts->Status().currentMessage(), "New contact person has been saved.");
        }
        contacts->close();

        auto* filtering = testing::OpenDialog<FilteringDialog>(window, "Filtering");
        ASSERT_NE(filtering, nullptr);
        Ui::FilteringDialog& form = filtering->Form();
        form.source->setText("*");
        form.facilities->item(24)->setCheckState(Qt::Checked);  // Local Use Seven
        form.severities->item(8)->setCheckState(Qt::Checked);   // Debug
        form.methods->item(1)->setCheckState(Qt::Checked);      // Email
        form.methods->item(4)->setCheckState(Qt::Checked);      // SysLog
        for (int row = 0; row < form.contacts->topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = form.contacts->topLevelItem(row);
            if (item->text(0).startsWith("ann ") || item->text(0).startsWith("bob ")) {
                item->setCheckState(0, Qt::Checked);
            }
        }
        QTest::mouseClick(form.save, Qt::LeftButton);
        ASSERT_EQ(filtering->Status().currentMessage(), "New filter rule has been saved.");
        ruleId = engine.DataModule()
                     .Connection()
                     .Query("Select MAX(id) as id from filtering")
                     .Integer(0, "id");
    }

    testing::ProgramProcess service(installation, {TREVALON_SERVICE_PROGRAM});
    ASSERT_TRUE(service.StartReceiving(30s)) << service.Log();
    const std::uint16_t port = service.ReceivingPort(SOCK_DGRAM);
    testing::SendLoopbackDatagram(port, "<191>Mar 14 08:00:04 host app: " + marker);
    const std::string dialogue = smtp.Transcript();
    const std::string forwarded = forwards.Receive();
    EXPECT_EQ(service.Terminate(), 0);

    EXPECT_NE(dialogue.find("RCPT TO:<ann." + marker + "@example.com>"), std::string::npos)
        << dialogue;
    EXPECT_NE(dialogue.find("RCPT TO:<bob." + marker + "@example.com>"), std::string::npos)
        << dialogue;
    EXPECT_EQ(dialogue.find("cid."), std::string::npos) << dialogue;
    EXPECT_NE(dialogue.find(marker), std::string::npos);
    EXPECT_TRUE(forwarded.starts_with("<191>")) << forwarded;
    EXPECT_NE(forwarded.find(marker), std::string::npos) << forwarded;

    DatabaseConnection cleanup;
    cleanup.Connect(testing::LocalServer("trevalon"));
    for (const std::string& statement :
         {"delete from filtering_contact where filtering_id=" + std::to_string(ruleId),
          "delete from filtering where id=" + std::to_string(ruleId),
          "delete from contact_person where name like \"%" + marker + "\"",
          "delete from alarm_method where port=" + std::to_string(smtp.Port()),
          "delete from alarm_method where port=" + std::to_string(forwards.Port()),
          "delete from syslog where msg like \"%" + marker + "%\""}) {
        cleanup.Execute(statement);
    }
    for (const std::string& type : newMethodTypes) {
        cleanup.Execute("delete from alarm_method where type=" + SqlQuoted(type));
    }
}

}  // namespace
}  // namespace trevalon
