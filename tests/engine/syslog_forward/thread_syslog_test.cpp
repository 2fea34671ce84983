#include "engine/syslog_forward/thread_syslog.h"

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "engine/syslog_forward/syslog_forward_datagram.h"
#include "foundation/engine_settings.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/loopback_ports.h"
#include "tests/support/temp_installation.h"
#include "tests/support/udp_receiver.h"

namespace trevalon {
namespace {

using testing::FixedClock;
using testing::TempInstallation;
using testing::UdpReceiver;

const std::string kLocalIp = "192.0.2.7";

class ThreadSysLogTest : public ::testing::Test {
  protected:
    // The forward of a message received from 10.1.2.3 with `content`.
    std::unique_ptr<ThreadSysLog> Forward(const std::string& facility, const std::string& severity,
                                          const std::string& content) {
        AlarmMethodSettings settings;
        settings.enable = true;
        settings.ip = "127.0.0.1";
        settings.port = receiver_.Port();
        auto job =
            MakeThreadSysLog(settings, facility, severity,
                             "10.1.2.3 " + facility + " " + severity + " " + content, kLocalIp);
        job->Execute();
        return job;
    }

    TempInstallation installation_;
    FixedClock clock_{LocalTime{2024, 3, 5, 7, 4, 9, 2}};
    UdpReceiver receiver_;
};

void ExpectSent(const ThreadSysLog& job) {
    EXPECT_TRUE(job.Succeeded()) << job.ResultDetail();
    EXPECT_EQ(job.ResultText(), "Sent");
    EXPECT_EQ(job.ResultDetail(), "[SysLog Alarm Sent Succeed]");
}

TEST_F(ThreadSysLogTest, TextWithoutColonIsForwardedAsItIs) {
    ExpectSent(*Forward("Local Use Four", "Warning", "disk full"));
    EXPECT_EQ(receiver_.Receive(),
              "<164>Mar  5 07:04:09 192.0.2.7 10.1.2.3 Local Use Four Warning disk full");
    EXPECT_NE(receiver_.SenderPort(), 0);
    EXPECT_NE(receiver_.SenderPort(), receiver_.Port());
}

TEST_F(ThreadSysLogTest, TextWithColonGetsOneInFront) {
    ExpectSent(*Forward("Local Use Four", "Warning", "sda: read error"));
    EXPECT_EQ(receiver_.Receive(),
              "<164>Mar  5 07:04:09 192.0.2.7 :10.1.2.3 Local Use Four Warning sda: read error");
    EXPECT_EQ(SyslogForwardText(":starts with a colon"), ":starts with a colon");
    EXPECT_EQ(SyslogForwardText("a:b:c"), ":a:b:c");
    EXPECT_EQ(SyslogForwardText(""), "");
}

TEST_F(ThreadSysLogTest, PriComesFromTheWireCodesOfTheNames) {
    // UUCP is wire code 8 although it is declared after Clock Daemon One.
    ExpectSent(*Forward("UUCP", "Debug", "x"));
    EXPECT_TRUE(receiver_.Receive().starts_with("<71>Mar  5 "));
    ExpectSent(*Forward("Clock Daemon One", "Emergency", "x"));
    EXPECT_TRUE(receiver_.Receive().starts_with("<72>Mar  5 "));
    ExpectSent(*Forward("Local Use Seven", "Debug", "x"));
    EXPECT_TRUE(receiver_.Receive().starts_with("<191>Mar  5 "));
    // Names the vocabulary does not know read as Kernel and Emergency.
    ExpectSent(*Forward("kernel", "Nonsense", "x"));
    EXPECT_TRUE(receiver_.Receive().starts_with("<0>Mar  5 "));
}

TEST_F(ThreadSysLogTest, TimestampPadsTheDayWithABlank) {
    clock_.Set(LocalTime{2024, 12, 25, 23, 59, 1, 3});
    ExpectSent(*Forward("Kernel", "Alert", "x"));
    EXPECT_EQ(receiver_.Receive(), "<1>Dec 25 23:59:01 192.0.2.7 10.1.2.3 Kernel Alert x");
    EXPECT_EQ(SyslogForwardTimestamp(LocalTime{2024, 1, 1, 0, 0, 0, 1}), "Jan  1 00:00:00");
    EXPECT_EQ(SyslogForwardTimestamp(LocalTime{2024, 9, 30, 12, 5, 7, 1}), "Sep 30 12:05:07");
}

TEST_F(ThreadSysLogTest, LongDatagramIsCutTo1024Bytes) {
    const std::string content(2000, 'z');
    ExpectSent(*Forward("Kernel", "Alert", content + "END"));
    const std::string head = "<1>Mar  5 07:04:09 192.0.2.7 10.1.2.3 Kernel Alert ";
    EXPECT_EQ(receiver_.Receive(), head + content.substr(0, 1024 - head.size()));

    const std::string exact(1024 - head.size(), 'e');
    ExpectSent(*Forward("Kernel", "Alert", exact));
    EXPECT_EQ(receiver_.Receive(), head + exact);
}

TEST_F(ThreadSysLogTest, UnusableTargetsFailWithTheirReason) {
    const auto fails = [](std::string host, int port, const std::string& detail) {
        ThreadSysLog job(std::move(host), port, sfKernel, slAlert, "text", kLocalIp);
        job.Execute();
        EXPECT_FALSE(job.Succeeded());
        EXPECT_EQ(job.ResultText(), "Error");
        EXPECT_EQ(job.ResultDetail(), detail);
    };
    fails("", 514, "[SysLog Alarm Sent Error:ERR10001 Host/IP required]");
    fails("127.0.0.1", 0, "[SysLog Alarm Sent Error:ERR10002 Port required]");
    fails("127.0.0.1", 70000, "[SysLog Alarm Sent Error:ERR10004 Invalid Port]");
    fails("127.0.0.1", -1, "[SysLog Alarm Sent Error:ERR10004 Invalid Port]");
}

}  // namespace
}  // namespace trevalon
