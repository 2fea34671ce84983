#include "engine/smtp/thread_smtp.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "engine/alarms/delivery_factories.h"
#include "engine/pool/thread_pool_manager.h"
#include "engine/smtp/smtp_delivery.h"
#include "foundation/engine_settings.h"
#include "foundation/event_loop.h"
#include "tests/engine/smtp/smtp_test_peer.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/scripted_line_server.h"

namespace trevalon {
namespace {

using testing::FixedClock;
using testing::RefusingPort;
using testing::ScriptedConnection;
using testing::ScriptedLineServer;
using testing::SilentListener;
using testing::SmtpSession;
using testing::SmtpTestPeer;

const std::string kText = "10.1.2.3 Local Use Four Warning disk full";
const std::string kLocalName = "alarm-host.test";
const std::string kHello = "EHLO " + kLocalName + "\r\n";

// Dates in the messages are pinned to 2026-03-05 07:04:09 UTC.
class ThreadSmtpTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        setenv("TZ", "UTC0", 1);
        tzset();
    }

    static AlarmMethodSettings MailServer(int port) {
        AlarmMethodSettings settings;
        settings.enable = true;
        settings.ip = "127.0.0.1";
        settings.port = port;
        settings.smtp_mail_agent = "Trevalon Mailer";
        settings.smtp_from_address = "alarm@trevalon.test";
        settings.timeout = 2000;
        settings.read_timeout = 2000;
        return settings;
    }

    static std::unique_ptr<ThreadSMTP> RunMail(const AlarmMethodSettings& settings,
                                               const std::string& recipients,
                                               const std::string& text = kText) {
        auto job = std::make_unique<ThreadSMTP>(settings, recipients, text, kLocalName);
        job->Execute();
        return job;
    }

    // The message of the standard settings to `to` with `body` (already in its encoded form).
    static std::string Message(const std::string& to, const std::string& body) {
        return "From: alarm@trevalon.test\r\n"
               "Reply-To: alarm@trevalon.test\r\n"
               "To: " +
               to +
               "\r\n"
               "Subject: Alarming Message\r\n"
               "Date: Thu, 05 Mar 2026 07:04:09 +0000\r\n"
               "X-Priority: 3\r\n"
               "X-Mailer: Trevalon Mailer\r\n"
               "MIME-Version: 1.0\r\n"
               "Content-Type: text/plain; charset=UTF-8\r\n"
               "Content-Transfer-Encoding: quoted-printable\r\n"
               "\r\n" +
               body;
    }

    static std::string Where(int port) { return "[127.0.0.1:" + std::to_string(port); }

    FixedClock clock_{LocalTime{2026, 3, 5, 7, 4, 9, 4}};

  private:
};

TEST_F(ThreadSmtpTest, AlarmGoesOutAsOneDialogueAndOneMessage) {
    SmtpTestPeer server;
    AlarmMethodSettings settings = MailServer(server.Port());
    settings.username = "ignored";  // without authenticate the credentials are not used
    const auto job = RunMail(settings, "ops@example.test");
    const SmtpSession session = server.NextSession();

    const std::string message = Message("ops@example.test", kText + "\r\n");
    EXPECT_EQ(session.transcript, kHello +
                                      "RSET\r\n"
                                      "MAIL FROM:<alarm@trevalon.test>\r\n"
                                      "RCPT TO:<ops@example.test>\r\n"
                                      "DATA\r\n" +
                                      message + ".\r\nQUIT\r\n");
    ASSERT_EQ(session.messages.size(), 1u);
    EXPECT_EQ(session.messages[0].from, "alarm@trevalon.test");
    EXPECT_EQ(session.messages[0].recipients, std::vector<std::string>{"ops@example.test"});
    EXPECT_EQ(session.messages[0].content, message);
    EXPECT_TRUE(job->Succeeded());
    EXPECT_EQ(job->ResultText(), "Sent");
    EXPECT_EQ(job->ResultDetail(), "[SMTP Alarm Sent Succeed]");
}

TEST_F(ThreadSmtpTest, AuthenticateLogsInWithAuthLogin) {
    SmtpTestPeer server(SmtpTestPeer::Options{"alarm-user", "s3cret pass", {}});
    AlarmMethodSettings settings = MailServer(server.Port());
    settings.authenticate = true;
    settings.username = "alarm-user";
    settings.password = "s3cret pass";
    const auto job = RunMail(settings, "ops@example.test");
    const SmtpSession session = server.NextSession();

    EXPECT_EQ(session.transcript.substr(0, session.transcript.find("MAIL FROM")),
              kHello + "AUTH LOGIN\r\nYWxhcm0tdXNlcg==\r\nczNjcmV0IHBhc3M=\r\nRSET\r\n");
    EXPECT_EQ(session.messages.size(), 1u);
    EXPECT_EQ(job->ResultDetail(), "[SMTP Alarm Sent Succeed]");
}

TEST_F(ThreadSmtpTest, RefusedLoginIsAnAuthenticationError) {
    SmtpTestPeer server(SmtpTestPeer::Options{"alarm-user", "s3cret pass", {}});
    AlarmMethodSettings settings = MailServer(server.Port());
    settings.authenticate = true;
    settings.username = "alarm-user";
    settings.password = "wrong";
    const auto job = RunMail(settings, "ops@example.test");
    const SmtpSession session = server.NextSession();

    EXPECT_EQ(session.transcript,
              kHello + "AUTH LOGIN\r\nYWxhcm0tdXNlcg==\r\nd3Jvbmc=\r\nQUIT\r\n");
    EXPECT_TRUE(session.messages.empty());
    EXPECT_FALSE(job->Succeeded());
    EXPECT_EQ(job->ResultText(), "Error");
    EXPECT_EQ(job->ResultDetail(),
              "[SMTP Alarm Authentication Error:5.7.8 Authentication credentials invalid]");
    EXPECT_EQ(job->FailureLine(),
              "Alarming Message - SMTP : error [SMTP Alarm Authentication Error:5.7.8 "
              "Authentication credentials invalid] ");
}

TEST_F(ThreadSmtpTest, LoginIsTriedEvenWhenTheServerOffersNone) {
    SmtpTestPeer server;
    AlarmMethodSettings settings = MailServer(server.Port());
    settings.authenticate = true;
    settings.username = "alarm-user";
    const auto job = RunMail(settings, "ops@example.test");
    const SmtpSession session = server.NextSession();

    EXPECT_EQ(session.transcript, kHello + "AUTH LOGIN\r\nQUIT\r\n");
    EXPECT_EQ(job->ResultDetail(),
              "[SMTP Alarm Authentication Error:5.7.11 Encryption required for requested "
              "authentication mechanism]");
}

TEST_F(ThreadSmtpTest, RefusedRecipientFailsTheWholeMessage) {
    SmtpTestPeer server(SmtpTestPeer::Options{"", "", {"night@example.test"}});
    const auto job =
        RunMail(MailServer(server.Port()), "ops@example.test;night@example.test;boss@example.test");
    const SmtpSession session = server.NextSession();

    EXPECT_EQ(session.transcript, kHello +
                                      "RSET\r\n"
                                      "MAIL FROM:<alarm@trevalon.test>\r\n"
                                      "RCPT TO:<ops@example.test>\r\n"
                                      "RCPT TO:<night@example.test>\r\n"
                                      "QUIT\r\n");
    EXPECT_TRUE(session.messages.empty());
    EXPECT_FALSE(job->Succeeded());
    EXPECT_EQ(job->ResultDetail(),
              "[SMTP Alarm Sent Error:5.1.1 <night@example.test>: Recipient address rejected]");
}

TEST_F(ThreadSmtpTest, DisplayNameShowsInTheHeadersButNotInTheEnvelope) {
    SmtpTestPeer server;
    AlarmMethodSettings settings = MailServer(server.Port());
    settings.smtp_from_address = "Trevalon Alarm <alarm@trevalon.test>";
    RunMail(settings, "ops@example.test");
    const SmtpSession session = server.NextSession();

    EXPECT_NE(session.transcript.find("\r\nMAIL FROM:<alarm@trevalon.test>\r\n"),
              std::string::npos);
    ASSERT_EQ(session.messages.size(), 1u);
    EXPECT_EQ(session.messages[0].from, "alarm@trevalon.test");
    EXPECT_TRUE(session.messages[0].content.starts_with(
        "From: Trevalon Alarm <alarm@trevalon.test>\r\n"
        "Reply-To: Trevalon Alarm <alarm@trevalon.test>\r\n"))
        << session.messages[0].content;
}

TEST_F(ThreadSmtpTest, ThreeRecipientsGetOneMessageInTheirOrder) {
    SmtpTestPeer server;
    RunMail(MailServer(server.Port()), "a@example.test;b@example.test,c@example.test");
    const SmtpSession session = server.NextSession();

    EXPECT_NE(session.transcript.find("MAIL FROM:<alarm@trevalon.test>\r\n"
                                      "RCPT TO:<a@example.test>\r\n"
                                      "RCPT TO:<b@example.test>\r\n"
                                      "RCPT TO:<c@example.test>\r\n"
                                      "DATA\r\n"),
              std::string::npos);
    ASSERT_EQ(session.messages.size(), 1u);
    EXPECT_EQ(session.messages[0].recipients,
              (std::vector<std::string>{"a@example.test", "b@example.test", "c@example.test"}));
    EXPECT_EQ(session.messages[0].content,
              Message("a@example.test, b@example.test, c@example.test", kText + "\r\n"));
}

TEST_F(ThreadSmtpTest, LeadingDotsAreStuffedAndArriveUnchanged) {
    SmtpTestPeer server;
    RunMail(MailServer(server.Port()), "ops@example.test", ".hidden\n.\nafter");
    const SmtpSession session = server.NextSession();

    EXPECT_NE(session.transcript.find("\r\n\r\n..hidden\r\n..\r\nafter\r\n.\r\nQUIT\r\n"),
              std::string::npos);
    ASSERT_EQ(session.messages.size(), 1u);
    EXPECT_EQ(session.messages[0].content,
              Message("ops@example.test", ".hidden\r\n.\r\nafter\r\n"));
}

TEST_F(ThreadSmtpTest, TextCannotEndTheMessageOrInjectCommands) {
    SmtpTestPeer server;
    const std::string text =
        "disk full\r\n.\r\nMAIL FROM:<evil@example.test>\r\nRCPT TO:<evil@example.test>\r\n"
        "DATA\r\nspam\r\n.\r\n";
    const auto job = RunMail(MailServer(server.Port()), "ops@example.test", text);
    const SmtpSession session = server.NextSession();

    ASSERT_EQ(session.messages.size(), 1u);
    EXPECT_EQ(session.messages[0].from, "alarm@trevalon.test");
    EXPECT_EQ(session.messages[0].recipients, std::vector<std::string>{"ops@example.test"});
    EXPECT_EQ(session.messages[0].content, Message("ops@example.test", text + "\r\n"));
    EXPECT_EQ(job->ResultDetail(), "[SMTP Alarm Sent Succeed]");
}

TEST_F(ThreadSmtpTest, LineBreaksInAddressesAreRefusedBeforeAnyCommand) {
    SmtpTestPeer server;
    const auto recipient =
        RunMail(MailServer(server.Port()), "ops@example.test\r\nRCPT TO:<evil@example.test>");
    EXPECT_EQ(server.NextSession().transcript, kHello + "QUIT\r\n");
    EXPECT_EQ(recipient->ResultDetail(),
              "[SMTP Alarm Sent Error:A recipient address contains a control character.]");

    AlarmMethodSettings settings = MailServer(server.Port());
    settings.smtp_from_address = "alarm@trevalon.test>\r\nRCPT TO:<evil@example.test";
    const auto sender = RunMail(settings, "ops@example.test");
    EXPECT_EQ(server.NextSession().transcript, kHello + "QUIT\r\n");
    EXPECT_EQ(sender->ResultDetail(),
              "[SMTP Alarm Sent Error:The sender address contains a control character.]");

    const auto nobody = RunMail(MailServer(server.Port()), " ; , ");
    EXPECT_EQ(server.NextSession().transcript, kHello + "QUIT\r\n");
    EXPECT_EQ(nobody->ResultDetail(), "[SMTP Alarm Sent Error:No recipient address.]");
}

TEST_F(ThreadSmtpTest, LongAndNonAsciiTextsStayWithinTheLineLimit) {
    SmtpTestPeer server;
    std::string text = "10.1.2.3 Kernel Error ";
    for (int index = 0; index < 1000; ++index) {
        text += "Temp\xC3\xA9rature ";
    }
    const auto job = RunMail(MailServer(server.Port()), "ops@example.test", text);
    const SmtpSession session = server.NextSession();

    ASSERT_EQ(session.messages.size(), 1u) << job->ResultDetail();
    const std::string& content = session.messages[0].content;
    EXPECT_NE(content.find("Temp=C3=A9rature"), std::string::npos);
    for (std::size_t begin = 0, end = 0; (end = content.find("\r\n", begin)) != std::string::npos;
         begin = end + 2) {
        EXPECT_LE(end - begin, 76u);
    }
}

TEST_F(ThreadSmtpTest, HeloFollowsARefusedEhlo) {
    ScriptedLineServer server([](ScriptedConnection& connection) {
        connection.Reply("220-mail.test ESMTP");
        connection.Reply("220 no extensions here");
        connection.Answer("502 5.5.1 EHLO not supported");
        connection.Answer("250 mail.test");
        connection.Answer("250 reset");
        connection.Answer("250 sender ok");
        connection.Answer("251 will forward");
        connection.Answer("354 go ahead");
        while (const auto line = connection.ReadLine()) {
            if (*line == ".") {
                break;
            }
        }
        connection.Reply("250 queued");
        connection.WaitForClose();
    });
    const auto job = RunMail(MailServer(server.Port()), "ops@example.test");

    const std::string transcript = server.Transcript();
    EXPECT_TRUE(transcript.starts_with(
        "EHLO alarm-host.test\r\nHELO alarm-host.test\r\nRSET\r\n"
        "MAIL FROM:<alarm@trevalon.test>\r\nRCPT TO:<ops@example.test>\r\nDATA\r\n"))
        << transcript;
    EXPECT_TRUE(transcript.ends_with("\r\n.\r\nQUIT\r\n")) << transcript;
    EXPECT_EQ(job->ResultDetail(), "[SMTP Alarm Sent Succeed]");
}

TEST_F(ThreadSmtpTest, RefusedGreetingOrHeloIsAConnectionError) {
    ScriptedLineServer refusesGreeting([](ScriptedConnection& connection) {
        connection.Reply("554 No SMTP service here");
        connection.WaitForClose();
    });
    const auto greeting = RunMail(MailServer(refusesGreeting.Port()), "ops@example.test");
    EXPECT_EQ(refusesGreeting.Transcript(), "QUIT\r\n");
    EXPECT_EQ(greeting->ResultDetail(),
              Where(refusesGreeting.Port()) + " SMTP Alarm Connection Error:No SMTP service here]");

    ScriptedLineServer refusesHelo([](ScriptedConnection& connection) {
        connection.Reply("220 mail.test");
        connection.Answer("500 unknown command");
        connection.Answer("501 5.5.4 Invalid domain name");
        connection.WaitForClose();
    });
    const auto helo = RunMail(MailServer(refusesHelo.Port()), "ops@example.test");
    EXPECT_EQ(refusesHelo.Transcript(), kHello + "HELO alarm-host.test\r\nQUIT\r\n");
    EXPECT_EQ(helo->ResultDetail(), Where(refusesHelo.Port()) +
                                        " SMTP Alarm Connection Error:5.5.4 Invalid domain name]");
}

TEST_F(ThreadSmtpTest, ServerThatStopsAnsweringEndsInsideTheReadTimeOut) {
    ScriptedLineServer silent([](ScriptedConnection& connection) { connection.WaitForClose(); });
    AlarmMethodSettings settings = MailServer(silent.Port());
    settings.read_timeout = 200;
    const auto greeting = RunMail(settings, "ops@example.test");
    EXPECT_EQ(silent.Transcript(), "");
    EXPECT_EQ(greeting->ResultDetail(),
              Where(silent.Port()) + " SMTP Alarm Connection Error:Read timed out.]");

    ScriptedLineServer silentAfterData([](ScriptedConnection& connection) {
        connection.Reply("220 mail.test");
        for (const char* reply : {"250 mail.test", "250 reset", "250 ok", "250 ok", "354 go"}) {
            connection.Answer(reply);
        }
        connection.WaitForClose();
    });
    settings.port = silentAfterData.Port();
    const auto data = RunMail(settings, "ops@example.test");
    EXPECT_EQ(data->ResultDetail(), "[SMTP Alarm Sent Error:Read timed out.]");
    EXPECT_TRUE(silentAfterData.Transcript().ends_with("\r\n.\r\n"));
}

TEST_F(ThreadSmtpTest, ConnectionFailuresGiveTheirFixedReasons) {
    AlarmMethodSettings noHost = MailServer(25);
    noHost.ip.clear();
    EXPECT_EQ(RunMail(noHost, "ops@example.test")->ResultDetail(),
              "[:25 SMTP Alarm Connection Error:ERR10001 Host/IP required]");

    EXPECT_EQ(RunMail(MailServer(0), "ops@example.test")->ResultDetail(),
              "[127.0.0.1:0 SMTP Alarm Connection Error:ERR10002 Port required]");

    RefusingPort refusing;
    const auto refused = RunMail(MailServer(refusing.Port()), "ops@example.test");
    EXPECT_FALSE(refused->Succeeded());
    EXPECT_EQ(refused->ResultText(), "Error");
    EXPECT_EQ(refused->ResultDetail(),
              Where(refusing.Port()) + " SMTP Alarm Connection Error:ERR10003 Invalid Host/IP]");

    SilentListener silent;
    AlarmMethodSettings slowConnect = MailServer(silent.Port());
    slowConnect.timeout = 200;
    EXPECT_EQ(RunMail(slowConnect, "ops@example.test")->ResultDetail(),
              Where(silent.Port()) + " SMTP Alarm Connection Error:ERR10004 Invalid Port]");
}

TEST_F(ThreadSmtpTest, SettingsAreCorrectedAndCopiedWhenBuilt) {
    AlarmMethodSettings settings = MailServer(25);
    settings.timeout = 0;
    settings.read_timeout = 0;
    const ThreadSMTP zero(settings, "a@x.test", kText, kLocalName);
    EXPECT_EQ(zero.ConnectTimeout(), std::chrono::milliseconds(5000));
    EXPECT_EQ(zero.ReadTimeout(), std::chrono::milliseconds(5000));
    EXPECT_TRUE(zero.Succeeded());
    EXPECT_EQ(zero.ResultText(), "Sent");
    EXPECT_EQ(zero.ResultDetail(), "");

    settings.timeout = 1;
    settings.read_timeout = -1;
    settings.smtp_from_address = "Ops <ops@x.test>";
    const ThreadSMTP small(settings, "a@x.test; b@x.test", kText, kLocalName);
    EXPECT_EQ(small.ConnectTimeout(), std::chrono::milliseconds(1));
    EXPECT_EQ(small.ReadTimeout(), std::chrono::milliseconds(5000));
    EXPECT_EQ(small.Message().from.name, "Ops");
    EXPECT_EQ(small.Message().replyTo.address, "ops@x.test");
    EXPECT_EQ(small.Message().to.size(), 2u);
    EXPECT_EQ(small.Message().subject, "Alarming Message");
    EXPECT_EQ(small.Message().body, kText);
}

TEST_F(ThreadSmtpTest, FactoryJobsRunSideBySideOnThePool) {
    EngineSettings engineSettings;
    engineSettings.HostName = kLocalName;
    const PublishedSettings published(engineSettings);
    DeliveryFactories factories;
    RegisterSmtpDelivery(factories, published);
    const DeliveryFactory* factory = factories.Find(AlarmMethod::Email);
    ASSERT_NE(factory, nullptr);

    SmtpTestPeer server;
    RefusingPort refusing;
    EventLoop loop;
    constexpr int kDelivered = 6;
    std::vector<std::string> outcomes;
    {
        TOrlThreadPoolManager pool(loop);
        pool.SetOnWorkItemDone([&](TOrlThreadPoolManager&, TOrlTPWorkItem& item) {
            const auto& delivery = dynamic_cast<const DeliveryWorkItem&>(item);
            outcomes.push_back(delivery.Succeeded() ? delivery.ResultDetail()
                                                    : delivery.FailureLine());
            if (outcomes.size() == kDelivered + 1) {
                loop.Stop();
            }
        });
        AlarmJob job;
        job.Method = "Email";
        job.Text = kText;
        for (int index = 0; index < kDelivered; ++index) {
            job.Recipient = "ops" + std::to_string(index) + "@example.test";
            pool.QueueWorkItem((*factory)(job, MailServer(server.Port()), ConfigurationSnapshot{}));
        }
        pool.QueueWorkItem((*factory)(job, MailServer(refusing.Port()), ConfigurationSnapshot{}));
        const TimerId watchdog =
            loop.StartTimer(std::chrono::seconds(30), TimerMode::kOneShot, [&] { loop.Stop(); });
        loop.Run();
        loop.StopTimer(watchdog);
    }

    ASSERT_EQ(outcomes.size(), kDelivered + 1u);
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), "[SMTP Alarm Sent Succeed]"),
              kDelivered);
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(),
                         "Alarming Message - SMTP : error " + Where(refusing.Port()) +
                             " SMTP Alarm Connection Error:ERR10003 Invalid Host/IP] "),
              1);
    std::vector<std::string> recipients;
    for (int index = 0; index < kDelivered; ++index) {
        const SmtpSession session = server.NextSession();
        ASSERT_EQ(session.messages.size(), 1u);
        recipients.push_back(session.messages[0].recipients.at(0));
    }
    std::sort(recipients.begin(), recipients.end());
    EXPECT_EQ(recipients.front(), "ops0@example.test");
    EXPECT_EQ(recipients.back(), "ops5@example.test");
}

}  // namespace
}  // namespace trevalon
