#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <future>
#include <string>

#include <gtest/gtest.h>

#include "manager/dialogs/alarm_options_dialog.h"
#include "manager/dialogs/alarm_test_send.h"
#include "manager/main_window/main_window.h"
#include "manager/main_window/qt_owner_loop.h"
#include "manager/program/dialog_menu.h"
#include "tests/engine/http_sms/http_test_peer.h"
#include "tests/engine/smpp/node_peer.h"
#include "tests/engine/smtp/smtp_test_peer.h"
#include "tests/engine/snmp/trap_receiver.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/manager/gui_test_support.h"
#include "tests/support/loopback_ports.h"
#include "tests/support/scripted_line_server.h"
#include "tests/support/temp_installation.h"
#include "tests/support/udp_receiver.h"
#include "ui_alarm_options_dialog.h"

namespace trevalon {
namespace {

using namespace std::chrono_literals;

// The main window with its menus wired, on an engine that has loaded its configuration from a
// scratch database holding `rows` first.
struct Manager {
    explicit Manager(const char* purpose, std::initializer_list<const char*> rows = {})
        : database(testing::TestDatabaseName(purpose), false) {
        testing::WriteWholeFile(installation.ConfFolder() + "SysInit.ini",
                                "[System]\nSysLogPort=0\n" + testing::TestDatabaseAccountSection());
        engine = std::make_unique<SyslogEngine>(loop, installation.Settings(),
                                                PipelineVariant::Manager(),
                                                EngineTimings{20ms, 20ms, 1h, 1h}, database.Name());
        window = std::make_unique<MainWindow>(*engine);
        WireDialogs(*window, *engine);
        EXPECT_TRUE(engine->Bootstrap());
        for (const char* row : rows) {
            engine->DataModule().Connection().Execute(row);
        }
        EXPECT_TRUE(testing::ProcessUntil([&] { return engine->ScheduleArmed(); }));
    }

    AlarmOptionsDialog& Open() {
        auto* dialog = testing::OpenDialog<AlarmOptionsDialog>(*window, "Alarm Options");
        EXPECT_NE(dialog, nullptr);
        dialog->activateWindow();
        EXPECT_TRUE(testing::ProcessUntil([&] { return dialog->isActiveWindow(); }));
        return *dialog;
    }

    QueryResult Rows(const std::string& statement) {
        return engine->DataModule().Connection().Query(statement);
    }

    testing::TempInstallation installation;
    // The application and the database library before anything uses them.
    const bool ready = (testing::GuiApplication(), testing::RequireServer(installation), true);
    testing::ScratchDatabase database;
    QtOwnerLoop loop;
    std::unique_ptr<SyslogEngine> engine;
    std::unique_ptr<MainWindow> window;
};

void Type(QWidget* field, const QString& text) {
    if (auto* memo = qobject_cast<QPlainTextEdit*>(field)) {
        memo->setPlainText(text);
    } else {
        static_cast<QLineEdit*>(field)->setText(text);
    }
}

// The text of the information box the dialog shows, which is then closed; empty when none.
QString TakeInformation(QWidget& dialog) {
    for (QMessageBox* box : dialog.findChildren<QMessageBox*>()) {
        if (box->isVisible()) {
            const QString text = box->text();
            box->close();
            return text;
        }
    }
    return {};
}

// Enabled methods are checked in page order, each field in its turn, and a failure brings its
// page and inner page to front with the focus on the field; what passes is saved: a disabled
// page too, quotes and backslashes as typed, empty numbers as 0; the extra fields only for an
// enabled "Post"; the running engine takes the methods over at once.
TEST(AlarmOptionsDialog, ChecksInPageOrderSavesAsTypedAndShowsTheStoredValuesAgain) {
    Manager manager(
        "alarm_options",
        {"INSERT INTO alarm_method (type,enable,ip,port,url_method,field_msisdn,field_message) "
         "VALUES (\"SMS by HTTP\",1,\"gw\",0,\"Post\",\"to\",\"text\")",
         "INSERT INTO alarm_method (type,enable,ip,port,snmp_trap_port) VALUES "
         "(\"SNMP\",0,\"10.0.0.9\",0,0)",
         "INSERT INTO alarm_method_extra_fields (field_name,field_value) VALUES (\"a\",\"1=x\")",
         "INSERT INTO alarm_method_extra_fields (field_name,field_value) VALUES (\"b\",\"2\")"});
    AlarmOptionsDialog& dialog = manager.Open();
    Ui::AlarmOptionsDialog& f = dialog.Form();
    EXPECT_FALSE(f.apply->isEnabled());
    EXPECT_EQ(f.emailPort->text(), "25");
    EXPECT_EQ(f.smsVersion->text(), "34");
    EXPECT_EQ(f.snmpHost->text(), "10.0.0.9");
    EXPECT_EQ(f.snmpPort->text(), "");
    EXPECT_EQ(f.httpPort->text(), "");
    EXPECT_EQ(f.httpMethod->currentText(), "Post");
    ASSERT_EQ(f.httpExtraList->topLevelItemCount(), 2);
    EXPECT_EQ(f.httpExtraList->topLevelItem(0)->text(0), "b");
    EXPECT_EQ(f.httpExtraList->topLevelItem(1)->text(1), "1=x");
    EXPECT_FALSE(f.emailSettings->isEnabled());
    EXPECT_FALSE(f.test->isEnabled());
    EXPECT_EQ(f.test->text(), "Test Connection [Email]");
    for (const auto& [page, inner] :
         std::initializer_list<std::pair<int, QTabWidget*>>{{0, nullptr},
                                                            {1, f.smsInner},
                                                            {2, f.httpInner},
                                                            {3, nullptr},
                                                            {4, nullptr},
                                                            {5, nullptr}}) {
        f.pages->setCurrentIndex(page);
        for (int at = 0; at < (inner != nullptr ? inner->count() : 1); ++at) {
            if (inner != nullptr) {
                inner->setCurrentIndex(at);
            }
            testing::SaveScreenshot(dialog, QString("alarm_options_page_%1_%2").arg(page).arg(at));
        }
    }
    EXPECT_EQ(f.test->text(), "Test Connection [SNPP]");
    f.snmpTestVersion->setCurrentIndex(2);
    EXPECT_EQ(f.snmpTestCommunityLabel->text(), "Username");
    EXPECT_FALSE(f.snmpTestUser->isHidden());
    EXPECT_TRUE(f.snmpTestCommunity->isHidden());
    f.snmpTestVersion->setCurrentIndex(1);
    EXPECT_TRUE(f.snmpTestEnterprise->isHidden());

    f.emailEnable->setChecked(true);
    f.smsEnable->setChecked(true);
    f.snppEnable->setChecked(true);
    f.pages->setCurrentIndex(0);
    f.emailHost->setFocus();
    EXPECT_TRUE(testing::ProcessUntil([&] { return f.apply->isEnabled(); }));
    EXPECT_TRUE(f.emailUser->isEnabled() == f.emailAuthenticate->isChecked());
    const struct {
        QWidget* field;
        const char* wrong;
        const char* right;
        int page;
        QTabWidget* inner;
        int innerPage;
        QWidget* focus;
        const char* message;
    } checks[] = {
        {f.emailHost, "", "mail", 0, nullptr, 0, f.emailHost, "SMTP IP/Address field is empty."},
        {f.emailPort, "25a", "-1", 0, nullptr, 0, f.emailPort,
         "SMTP Port is invalid integer or empty."},
        {f.emailFrom, "", "a\"b\\c'd@example.test", 0, nullptr, 0, f.emailFrom,
         "SMTP From Address field is empty."},
        {f.emailReadTimeout, "", "0", 0, nullptr, 0, f.emailReadTimeout,
         "SMTP Read Timeout is invalid integer or empty."},
        {f.smsHost, "", "smsc", 1, nullptr, 0, f.smsEnable, "SMSC IP field is empty."},
        {f.smsNpi, "x", "1", 1, f.smsInner, 1, f.smsNpi, "SMSC NPI is invalid integer or empty."},
        {f.smsOrigTon, "", "5", 1, f.smsInner, 2, f.smsOrigTon,
         "SMSC Orig. TON is invalid integer or empty."},
        {f.httpPort, "", "8080", 2, nullptr, 0, f.httpPort,
         "HTTP-SMS Port is invalid integer or empty."},
        {f.httpMessageField, "", "msg", 2, f.httpInner, 0, f.httpMessageField,
         "SMSC MESSAGE field is empty."},
        {f.snppHost, "", "pager", 5, nullptr, 0, f.snppHost, "SNPP IP field is empty."},
        {f.snppTimeout, "1.5", "700", 5, nullptr, 0, f.snppTimeout,
         "SNPP Connection Timeout is invalid integer or empty."},
    };
    for (const auto& check : checks) {
        SCOPED_TRACE(check.message);
        f.pages->setCurrentIndex(0);
        Type(check.field, check.wrong);
        QTest::mouseClick(f.apply, Qt::LeftButton);
        EXPECT_EQ(TakeInformation(dialog), check.message);
        EXPECT_EQ(f.pages->currentIndex(), check.page);
        if (check.inner != nullptr) {
            EXPECT_EQ(check.inner->currentIndex(), check.innerPage);
        }
        EXPECT_EQ(QApplication::focusWidget(), check.focus);
        Type(check.field, check.right);
    }

    const auto apply = [&] {
        f.emailAgent->setFocus();
        f.emailHost->setFocus();
        EXPECT_TRUE(testing::ProcessUntil([&] { return f.apply->isEnabled(); }));
        QTest::mouseClick(f.apply, Qt::LeftButton);
    };
    // A disabled page with texts that are no numbers is not checked and still written.
    Type(f.syslogPort, "");
    Type(f.syslogTimeout, "soon\"");
    Type(f.httpProxyHost, "proxy\\one");
    QTest::mouseClick(f.httpExtraAdd, Qt::LeftButton);
    EXPECT_EQ(TakeInformation(dialog),
              "Field Name or Field Value is empty. Please input this field.");
    Type(f.httpExtraName, "c\"");
    Type(f.httpExtraValue, " 3 ");
    QTest::mouseClick(f.httpExtraAdd, Qt::LeftButton);
    EXPECT_TRUE(f.httpExtraName->text().isEmpty());
    QTest::mouseClick(f.apply, Qt::LeftButton);
    EXPECT_EQ(TakeInformation(dialog), "");
    EXPECT_EQ(f.httpProxyPort->text(), "0");
    EXPECT_EQ(dialog.Status().currentMessage(), "Option settings saved.");
    EXPECT_EQ(manager.window->statusBar()->currentMessage(), "Option settings saved.");
    EXPECT_FALSE(f.apply->isEnabled());

    const auto row = [&](const char* type) {
        return manager.Rows(std::string("SELECT * FROM alarm_method WHERE type=\"") + type + "\"");
    };
    const QueryResult email = row("Email");
    EXPECT_EQ(email.Text(0, "smtp_from_address"), "a\"b\\c'd@example.test");
    EXPECT_EQ(email.Integer(0, "port"), -1);
    EXPECT_EQ(email.Integer(0, "enable"), 1);
    const QueryResult syslog = row("SysLog");
    ASSERT_EQ(syslog.RowCount(), 1u);
    EXPECT_EQ(syslog.Integer(0, "enable"), 0);
    EXPECT_EQ(syslog.Integer(0, "port"), 0);
    EXPECT_EQ(syslog.Integer(0, "timeout"), 0);
    EXPECT_EQ(row("SMS").Text(0, "sms_orig_ton"), "5");
    const QueryResult http = row("SMS by HTTP");
    EXPECT_EQ(http.Text(0, "proxy_ip"), "proxy\\one");
    EXPECT_EQ(http.Integer(0, "proxy_port"), 0);
    EXPECT_EQ(http.RowCount(), 1u);
    const auto extraFields = [&] {
        std::vector<std::string> pairs;
        const QueryResult rows = manager.Rows("SELECT * FROM alarm_method_extra_fields");
        for (std::size_t at = 0; at < rows.RowCount(); ++at) {
            pairs.push_back(rows.Text(at, "field_name") + "=" + rows.Text(at, "field_value"));
        }
        return pairs;
    };
    EXPECT_EQ(extraFields(), (std::vector<std::string>{"c\"=3", "b=2", "a=1=x"}));
    const auto cached = manager.engine->Configuration().Snapshot();
    EXPECT_EQ(cached->Method(AlarmMethod::Email).smtp_from_address, "a\"b\\c'd@example.test");
    EXPECT_EQ(cached->Method(AlarmMethod::SmsByHttp).port, 8080);

    // "Get" leaves the stored extra fields alone; "Post" with an empty list empties them.
    for (int left = f.httpExtraList->topLevelItemCount(); left > 0; --left) {
        f.httpExtraList->setCurrentItem(f.httpExtraList->topLevelItem(0));
        QTest::mouseClick(f.httpExtraRemove, Qt::LeftButton);
    }
    EXPECT_EQ(f.httpExtraList->topLevelItemCount(), 0);
    f.httpMethod->setCurrentText("Get");
    EXPECT_FALSE(f.httpExtraRemove->isEnabled());
    EXPECT_EQ(f.httpExtraName->text(), "a");
    apply();
    EXPECT_EQ(extraFields().size(), 3u);
    f.httpMethod->setCurrentText("Post");
    apply();
    EXPECT_TRUE(extraFields().empty());

    // Unsaved edits are gone when the dialog is shown again.
    Type(f.emailHost, "elsewhere");
    Type(f.snmpPort, "99");
    QTest::mouseClick(f.cancel, Qt::LeftButton);
    EXPECT_EQ(manager.window->statusBar()->currentMessage(), "Updating option settings cancel.");
    EXPECT_EQ(&manager.Open(), &dialog);
    EXPECT_EQ(f.emailHost->text(), "mail");
    EXPECT_EQ(f.snmpPort->text(), "");
    EXPECT_EQ(f.syslogPort->text(), "");
}

// The HTTP test puts the port beside the host, wherever the URL's path and query go on, unless
// the URL names a port of its own.
TEST(AlarmTestUrl, PutsThePortAfterTheHost) {
    const struct {
        const char* url;
        const char* port;
        const char* requested;
    } urls[] = {
        {"gw", "8080", "http://gw:8080"},
        {"gw/send?to=$MSISDN#top", "8080", "http://gw:8080/send?to=$MSISDN#top"},
        {"HTTP://user:pw@gw?x=1", "81", "HTTP://user:pw@gw:81?x=1"},
        {"http://[::1]/x", "81", "http://[::1]:81/x"},
        {"http://gw:9000/x", "8080", "http://gw:9000/x"},
        {"gw/x", "", "http://gw/x"},
    };
    for (const auto& url : urls) {
        EXPECT_EQ(TestUrl(url.url, url.port), url.requested) << url.url;
    }
}

// Every page's test message goes out with the values on screen, unsaved, through the engine's
// own client to a real peer; refusals show their texts, and no second test starts meanwhile.
TEST(AlarmOptionsDialog, EveryPageSendsItsTestMessageToItsPeer) {
    Manager manager("alarm_tests");
    AlarmOptionsDialog& dialog = manager.Open();
    Ui::AlarmOptionsDialog& f = dialog.Form();
    testing::SmtpTestPeer smtp(testing::SmtpTestPeer::Options{"alarm-user", "s3cret", {}});
    testing::NodeSmsc smsc("trevalon", "secret");
    ASSERT_TRUE(smsc.Started());
    testing::HttpTestPeer gateway([](const testing::HttpRequestRecord&, std::size_t) {
        return testing::HttpReply{testing::HttpResponse(200, "OK", "", "ACCEPTED 1")};
    });
    testing::TrapReceiver traps;
    const testing::ClosedLoopbackPort refusing;
    testing::UdpReceiver syslog;
    std::promise<void> pageMayGo;
    std::shared_future<void> pageGoes = pageMayGo.get_future().share();
    testing::ScriptedLineServer snpp([pageGoes](testing::ScriptedConnection& peer) {
        peer.Reply("220 SNPP ready");
        pageGoes.wait_for(10s);
        while (peer.Answer("250 OK")) {
        }
    });
    const QString local = "HTTP://127.0.0.1";
    const auto port = [](int number) { return QString::number(number); };
    const int trapSource = testing::FreeLoopbackUdpPort();

    const struct {
        int page;
        std::vector<std::pair<QWidget*, QString>> fields;
        const char* status;
    } sends[] = {
        {0,
         {{f.emailHost, local},
          {f.emailPort, port(smtp.Port())},
          {f.emailFrom, "ops@example.test"},
          {f.emailUser, "alarm-user"},
          {f.emailPassword, "wrong"},
          {f.emailTestRecipient, ""},
          {f.emailTestMessage, "disk full"}},
         "Recipient Email is empty. Please input this field for testing connection."},
        {0,
         {{f.emailTestRecipient, "desk@example.test"}, {f.emailPort, port(refusing.Port())}},
         "SMTP Error : Connection refused"},
        {0,
         {{f.emailPort, port(smtp.Port())}},
         "SMTP Authentication Error : "
         "5.7.8 Authentication credentials invalid"},
        {0, {{f.emailPassword, "s3cret"}}, "SMTP Message has been sent already."},
        {1,
         {{f.smsHost, local},
          {f.smsPort, port(smsc.Port())},
          {f.smsUser, "trevalon"},
          {f.smsPassword, "wrong"},
          {f.smsTestPhone, "5551234"},
          {f.smsTestMessage, "disk"}},
         "Binding Failed : 14"},
        {1, {{f.smsPassword, "secret"}}, "SMS Message has been sent already."},
        {2,
         {{f.httpUrl, "127.0.0.1/sms?to=$MSISDN&text=$MESSAGE"},
          {f.httpPort, port(gateway.Port())},
          {f.httpTestMsisdn, " 4711 "},
          {f.httpTestMessage, "disk full"}},
         "HTTP-SMS Message has been sent already."},
        {3,
         {{f.syslogHost, local},
          {f.syslogPort, port(syslog.Port())},
          {f.syslogTestMessage, "disk: full"}},
         "SysLog Message has been sent already."},
        {4,
         {{f.snmpHost, local},
          {f.snmpPort, port(trapSource)},
          {f.snmpTrapPort, port(traps.Port())},
          {f.snmpTestOid, "1.3.6.1.4.1.9999.0.7"}},
         "SNMP Message has been sent already."},
    };
    const std::array<QCheckBox*, 5> enables = {f.emailEnable, f.smsEnable, f.httpEnable,
                                               f.syslogEnable, f.snmpEnable};
    f.emailAuthenticate->setChecked(true);
    f.syslogTestFacility->setCurrentText("Local Use Four");
    f.syslogTestSeverity->setCurrentText("Warning");
    f.snmpTestVersion->setCurrentText("2c");
    for (const auto& send : sends) {
        SCOPED_TRACE(send.status);
        f.pages->setCurrentIndex(send.page);
        enables[static_cast<std::size_t>(send.page)]->setChecked(true);
        for (const auto& [field, text] : send.fields) {
            Type(field, text);
        }
        QTest::mouseClick(f.test, Qt::LeftButton);
        if (const QString information = TakeInformation(dialog); !information.isEmpty()) {
            EXPECT_EQ(information, send.status);
            continue;
        }
        ASSERT_TRUE(testing::ProcessUntil([&] { return !dialog.Testing(); }));
        EXPECT_EQ(dialog.Status().currentMessage(), send.status);
    }
    smtp.NextSession();
    const testing::SmtpSession mail = smtp.NextSession();
    ASSERT_EQ(mail.messages.size(), 1u);
    EXPECT_EQ(mail.messages[0].recipients, std::vector<std::string>{"desk@example.test"});
    EXPECT_NE(mail.messages[0].content.find("Subject: Testing Alarm Message\r\n"),
              std::string::npos);
    EXPECT_NE(mail.messages[0].content.find("\r\n\r\ndisk full"), std::string::npos);
    EXPECT_EQ(smsc.Next().Name, "BIND_REFUSED");
    EXPECT_EQ(smsc.Next().Name, "CLOSED");
    EXPECT_EQ(smsc.Next().Name, "BIND");
    const testing::PeerEvent submit = smsc.Next();
    EXPECT_EQ(submit.Fields.at("destination_addr"), "5551234");
    EXPECT_EQ(submit.Fields.at("message"), "disk");
    ASSERT_EQ(gateway.Requests().size(), 1u);
    EXPECT_EQ(gateway.Requests()[0].RequestLine(), "GET /sms?to=4711&text=disk+full HTTP/1.1");
    EXPECT_EQ(f.httpResponse->toPlainText(), "ACCEPTED 1");
    const std::string datagram = syslog.Receive();
    // Local4 (20) * 8 + Warning (4)
    EXPECT_TRUE(datagram.starts_with("<164>")) << datagram;
    EXPECT_TRUE(datagram.ends_with(" :disk: full")) << datagram;
    traps.WaitForLineWith({"V2 ", "SNMP v2c", "OID: .1.3.6.1.4.1.9999.0.7"});
    EXPECT_TRUE(manager.Rows("SELECT * FROM alarm_method").RowCount() == 0);

    // The pager test waits for the peer: the dialog keeps working and refuses a second test.
    f.pages->setCurrentIndex(5);
    f.snppEnable->setChecked(true);
    for (const auto& [field, text] :
         std::initializer_list<std::pair<QWidget*, QString>>{{f.snppHost, local},
                                                             {f.snppPort, port(snpp.Port())},
                                                             {f.snppTestPager, "77"},
                                                             {f.snppTestMessage, "disk full"}}) {
        Type(field, text);
    }
    QStringList shown;
    const QMetaObject::Connection listening =
        QObject::connect(&dialog.Status(), &QStatusBar::messageChanged,
                         [&shown](const QString& text) { shown << text; });
    QTest::mouseClick(f.test, Qt::LeftButton);
    ASSERT_TRUE(testing::ProcessUntil([&] { return shown.contains("Connected"); }));
    EXPECT_TRUE(dialog.Testing());
    EXPECT_FALSE(f.test->isEnabled());
    f.test->click();
    pageMayGo.set_value();
    ASSERT_TRUE(testing::ProcessUntil([&] { return !dialog.Testing(); }));
    QObject::disconnect(listening);
    EXPECT_EQ(shown, QStringList({"SNPP Pager Message is sending out...", "Connected",
                                  "SNPP Pager Message has been sent already."}));
    EXPECT_EQ(snpp.Transcript(), "PAGE 77\r\nMESS disk full\r\nSEND\r\nQUIT\r\n");
}

}  // namespace
}  // namespace trevalon
