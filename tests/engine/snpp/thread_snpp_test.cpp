#include "engine/snpp/thread_snpp.h"

#include <future>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "engine/alarms/delivery_factories.h"
#include "engine/snpp/snpp_delivery.h"
#include "tests/support/scripted_line_server.h"

namespace trevalon {
namespace {

using testing::RefusingPort;
using testing::ScriptedConnection;
using testing::ScriptedLineServer;
using testing::SilentListener;

const std::string kText = "10.1.2.3 Local Use Four Warning disk full";

AlarmMethodSettings Gateway(int port, int readTimeout = 2000) {
    AlarmMethodSettings settings;
    settings.enable = true;
    settings.ip = "127.0.0.1";
    settings.port = port;
    settings.timeout = 2000;
    settings.read_timeout = readTimeout;
    return settings;
}

std::unique_ptr<ThreadSNPP> RunPage(const AlarmMethodSettings& settings,
                                    const std::string& pagerId = "5551234",
                                    const std::string& text = kText) {
    auto job = std::make_unique<ThreadSNPP>(settings, pagerId, text);
    job->Execute();
    return job;
}

std::string Where(int port) {
    return "[127.0.0.1:" + std::to_string(port);
}

// A gateway that greets, takes the page and says goodbye.
void Cooperative(ScriptedConnection& connection) {
    connection.Reply("220 SNPP Gateway Ready");
    connection.Answer("250 Pager ID Accepted");
    connection.Answer("250 Message OK");
    connection.Answer("250 Message Sent Successfully");
    connection.Answer("221 OK, Goodbye");
    connection.WaitForClose();
}

TEST(ThreadSnppTest, PageIsSentAsPageMessSendAndQuit) {
    ScriptedLineServer gateway(Cooperative);
    const auto job = RunPage(Gateway(gateway.Port()));

    EXPECT_EQ(gateway.Transcript(), "PAGE 5551234\r\nMESS " + kText + "\r\nSEND\r\nQUIT\r\n");
    EXPECT_TRUE(job->Succeeded());
    EXPECT_EQ(job->ResultText(), "Sent");
    EXPECT_EQ(job->ResultDetail(), "[SNPP Alarm Sent Succeed]");
}

TEST(ThreadSnppTest, RefusedPagerIdStopsThePageButStillQuits) {
    ScriptedLineServer gateway([](ScriptedConnection& connection) {
        connection.Reply("220 SNPP Gateway Ready");
        connection.Answer("550 Error, Invalid Pager ID");
        connection.Answer("221 OK, Goodbye");
        connection.WaitForClose();
    });
    const auto job = RunPage(Gateway(gateway.Port()));

    EXPECT_EQ(gateway.Transcript(), "PAGE 5551234\r\nQUIT\r\n");
    EXPECT_FALSE(job->Succeeded());
    EXPECT_EQ(job->ResultText(), "Error");
    EXPECT_EQ(job->ResultDetail(), "[SNPP Alarm Sent Error:Error, Invalid Pager ID]");
    EXPECT_EQ(job->FailureLine(),
              "Alarming Message - SNPP : error [SNPP Alarm Sent Error:Error, Invalid Pager ID] ");
}

TEST(ThreadSnppTest, RefusedMessageAndRefusedSendEndThePageThere) {
    ScriptedLineServer refusesMess([](ScriptedConnection& connection) {
        connection.Reply("220 SNPP Gateway Ready");
        connection.Answer("250 Pager ID Accepted");
        connection.Answer("554 Message too long");
        connection.Answer("221 OK, Goodbye");
        connection.WaitForClose();
    });
    const auto mess = RunPage(Gateway(refusesMess.Port()));
    EXPECT_EQ(refusesMess.Transcript(), "PAGE 5551234\r\nMESS " + kText + "\r\nQUIT\r\n");
    EXPECT_EQ(mess->ResultDetail(), "[SNPP Alarm Sent Error:Message too long]");

    ScriptedLineServer refusesSend([](ScriptedConnection& connection) {
        connection.Reply("220 SNPP Gateway Ready");
        connection.Answer("250 Pager ID Accepted");
        connection.Answer("250 Message OK");
        connection.Answer("554   Pager queue full   ");
        connection.Answer("221 OK, Goodbye");
        connection.WaitForClose();
    });
    const auto send = RunPage(Gateway(refusesSend.Port()));
    EXPECT_EQ(refusesSend.Transcript(), "PAGE 5551234\r\nMESS " + kText + "\r\nSEND\r\nQUIT\r\n");
    EXPECT_EQ(send->ResultDetail(), "[SNPP Alarm Sent Error:Pager queue full]");
}

TEST(ThreadSnppTest, MultiLineTextsAreRefusedBeforeAnythingIsSent) {
    for (const std::string& text :
         {kText + "\nsecond line", kText + "\rsecond line", kText + "\r\nPAGE 666\r\nSEND"}) {
        ScriptedLineServer gateway([](ScriptedConnection& connection) {
            connection.Reply("220 SNPP Gateway Ready");
            connection.Answer("221 OK, Goodbye");
            connection.WaitForClose();
        });
        const auto job = RunPage(Gateway(gateway.Port()), "5551234", text);

        EXPECT_EQ(gateway.Transcript(), "QUIT\r\n");
        EXPECT_EQ(job->ResultDetail(),
                  "[SNPP Alarm Sent Error:TIdSNPP Mess command only supports single line "
                  "Messages.]");
    }
}

TEST(ThreadSnppTest, PagerIdWithLineBreakCannotInjectCommands) {
    ScriptedLineServer gateway([](ScriptedConnection& connection) {
        connection.Reply("220 SNPP Gateway Ready");
        connection.Answer("221 OK, Goodbye");
        connection.WaitForClose();
    });
    const auto job = RunPage(Gateway(gateway.Port()), "5551234\r\nPAGE 666");

    EXPECT_EQ(gateway.Transcript(), "QUIT\r\n");
    EXPECT_EQ(job->ResultDetail(), "[SNPP Alarm Sent Error:The pager ID contains a line break.]");
}

TEST(ThreadSnppTest, RefusedGreetingIsAConnectionErrorWithTheGreetingsText) {
    ScriptedLineServer gateway([](ScriptedConnection& connection) {
        connection.Reply("421 Too busy, try later");
        connection.Answer("221 OK, Goodbye");
        connection.WaitForClose();
    });
    const auto job = RunPage(Gateway(gateway.Port()));

    EXPECT_EQ(gateway.Transcript(), "QUIT\r\n");
    EXPECT_FALSE(job->Succeeded());
    EXPECT_EQ(job->ResultDetail(),
              Where(gateway.Port()) + " SNPP Alarm Connection Error:Too busy, try later]");
}

TEST(ThreadSnppTest, GatewayThatNeverAnswersEndsInsideTheReadTimeOut) {
    ScriptedLineServer silentGreeting(
        [](ScriptedConnection& connection) { connection.WaitForClose(); });
    const auto greeting = RunPage(Gateway(silentGreeting.Port(), 200));
    EXPECT_EQ(silentGreeting.Transcript(), "");
    EXPECT_EQ(greeting->ResultDetail(),
              Where(silentGreeting.Port()) + " SNPP Alarm Connection Error:Read timed out.]");

    ScriptedLineServer silentPage([](ScriptedConnection& connection) {
        connection.Reply("220 SNPP Gateway Ready");
        connection.WaitForClose();
    });
    const auto page = RunPage(Gateway(silentPage.Port(), 200));
    // A reply that never came leaves the stream out of step; no QUIT follows it.
    EXPECT_EQ(silentPage.Transcript(), "PAGE 5551234\r\n");
    EXPECT_EQ(page->ResultDetail(), "[SNPP Alarm Sent Error:Read timed out.]");
}

TEST(ThreadSnppTest, HugeOrEndlessRepliesEndTheJob) {
    ScriptedLineServer hugeGreeting([](ScriptedConnection& connection) {
        connection.Send("220 " + std::string(1 << 20, 'x'));
        connection.WaitForClose();
    });
    const auto greeting = RunPage(Gateway(hugeGreeting.Port()));
    EXPECT_EQ(
        greeting->ResultDetail(),
        Where(hugeGreeting.Port()) + " SNPP Alarm Connection Error:Max line length exceeded.]");

    ScriptedLineServer endless([](ScriptedConnection& connection) {
        connection.Reply("220 SNPP Gateway Ready");
        connection.ReadLine();
        std::string lines;
        for (int index = 0; index < 1000; ++index) {
            lines += "250-still going\r\n";
        }
        connection.Send(lines);
        connection.WaitForClose();
    });
    const auto page = RunPage(Gateway(endless.Port()));
    EXPECT_EQ(page->ResultDetail(), "[SNPP Alarm Sent Error:Reply has too many lines.]");
}

TEST(ThreadSnppTest, GatewayThatStopsReadingEndsTheJobInsideTheTimeOut) {
    std::promise<void> jobEnded;
    ScriptedLineServer gateway(
        [ended = jobEnded.get_future().share()](ScriptedConnection& connection) {
            connection.Reply("220 SNPP Gateway Ready");
            connection.Answer("250 Pager ID Accepted");
            // Takes nothing more while the job runs.
            ended.wait_for(ScriptedConnection::kPeerPatience);
        });
    // Far more than the loopback buffers hold, so sending has to wait for the gateway.
    const auto job = RunPage(Gateway(gateway.Port(), 300), "5551234", std::string(16 << 20, 'x'));
    jobEnded.set_value();

    EXPECT_EQ(job->ResultDetail(), "[SNPP Alarm Sent Error:Write timed out.]");
}

TEST(ThreadSnppTest, GatewayClosingMidReplyOrSendingGarbageFailsTheJob) {
    ScriptedLineServer closing([](ScriptedConnection& connection) {
        connection.Reply("220 SNPP Gateway Ready");
        connection.ReadLine();
        connection.Send("250 Pager");
    });
    const auto closed = RunPage(Gateway(closing.Port()));
    EXPECT_EQ(closed->ResultDetail(), "[SNPP Alarm Sent Error:Connection Closed Gracefully.]");

    ScriptedLineServer garbage([](ScriptedConnection& connection) {
        connection.Reply("hello there");
        connection.WaitForClose();
    });
    const auto greeting = RunPage(Gateway(garbage.Port()));
    EXPECT_EQ(greeting->ResultDetail(),
              Where(garbage.Port()) + " SNPP Alarm Connection Error:Malformed reply.]");
}

TEST(ThreadSnppTest, ControlCharactersInAReplyCannotForgeLogLines) {
    ScriptedLineServer gateway([](ScriptedConnection& connection) {
        connection.Reply("220 SNPP Gateway Ready");
        connection.Answer("550 bad\rERROR forged\x1b[0m");
        connection.Answer("221 OK, Goodbye");
        connection.WaitForClose();
    });
    const auto job = RunPage(Gateway(gateway.Port()));

    EXPECT_EQ(job->ResultDetail(), "[SNPP Alarm Sent Error:bad ERROR forged [0m]");
}

TEST(ThreadSnppTest, ConnectionFailuresGiveTheirFixedReasons) {
    AlarmMethodSettings noHost = Gateway(7777);
    noHost.ip.clear();
    EXPECT_EQ(RunPage(noHost)->ResultDetail(),
              "[:7777 SNPP Alarm Connection Error:ERR10001 Host/IP required]");

    EXPECT_EQ(RunPage(Gateway(0))->ResultDetail(),
              "[127.0.0.1:0 SNPP Alarm Connection Error:ERR10002 Port required]");

    RefusingPort refusing;
    const auto refused = RunPage(Gateway(refusing.Port()));
    EXPECT_FALSE(refused->Succeeded());
    EXPECT_EQ(refused->ResultText(), "Error");
    EXPECT_EQ(refused->ResultDetail(),
              Where(refusing.Port()) + " SNPP Alarm Connection Error:ERR10003 Invalid Host/IP]");

    SilentListener silent;
    AlarmMethodSettings slowConnect = Gateway(silent.Port());
    slowConnect.timeout = 200;
    EXPECT_EQ(RunPage(slowConnect)->ResultDetail(),
              Where(silent.Port()) + " SNPP Alarm Connection Error:ERR10004 Invalid Port]");

    EXPECT_EQ(RunPage(Gateway(70000))->ResultDetail(),
              "[127.0.0.1:70000 SNPP Alarm Connection Error:ERR10004 Invalid Port]");
}

TEST(ThreadSnppTest, TimeOutsBelowTheirMinimumBecomeFiveSeconds) {
    AlarmMethodSettings settings = Gateway(7777);
    settings.timeout = 0;
    settings.read_timeout = 0;
    const ThreadSNPP zero(settings, "1", "text");
    EXPECT_EQ(zero.ConnectTimeout(), std::chrono::milliseconds(5000));
    EXPECT_EQ(zero.ReadTimeout(), std::chrono::milliseconds(5000));

    settings.timeout = 1;
    settings.read_timeout = -3;
    const ThreadSNPP small(settings, "1", "text");
    EXPECT_EQ(small.ConnectTimeout(), std::chrono::milliseconds(1));
    EXPECT_EQ(small.ReadTimeout(), std::chrono::milliseconds(5000));
}

TEST(ThreadSnppTest, FactoryBuildsAPageForTheJobsPagerId) {
    DeliveryFactories factories;
    RegisterSnppDelivery(factories);
    ASSERT_NE(factories.Find(AlarmMethod::Snpp), nullptr);

    ScriptedLineServer gateway(Cooperative);
    AlarmJob job;
    job.Method = "SNPP";
    job.Recipient = "5551234";
    job.Text = kText;
    std::unique_ptr<DeliveryWorkItem> item =
        (*factories.Find(AlarmMethod::Snpp))(job, Gateway(gateway.Port()), ConfigurationSnapshot{});
    ASSERT_NE(dynamic_cast<ThreadSNPP*>(item.get()), nullptr);
    EXPECT_TRUE(item->Succeeded());
    EXPECT_EQ(item->ResultText(), "Sent");
    EXPECT_EQ(item->ResultDetail(), "");

    static_cast<ThreadSNPP&>(*item).Execute();
    EXPECT_EQ(gateway.Transcript(), "PAGE 5551234\r\nMESS " + kText + "\r\nSEND\r\nQUIT\r\n");
    EXPECT_EQ(item->ResultDetail(), "[SNPP Alarm Sent Succeed]");
}

}  // namespace
}  // namespace trevalon
