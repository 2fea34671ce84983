#include <gtest/gtest.h>

#include "engine/reception/syslog_reader.h"
#include "tests/support/fixed_clock.h"

namespace trevalon {
namespace {

constexpr std::string_view kSender = "192.0.2.7";
constexpr LocalTime kNow{2026, 12, 9, 7, 10, 0};

std::string LocalText(std::time_t utcSeconds) {
    return FormatDateTime(ToLocalTime(std::chrono::system_clock::from_time_t(utcSeconds)));
}

TEST(Rfc5424Reading, ExamplesOfTheRfc) {
    testing::FixedClock clock(kNow);
    const SyslogReading su = ReadSyslogMessage(
        "<34>1 2003-10-11T22:14:15.003Z mymachine.example.com su - ID47 - "
        "\xEF\xBB\xBF'su root' failed for lonvick on /dev/pts/8",
        kSender);
    EXPECT_EQ(su.Facility, sfSecurityOne);
    EXPECT_EQ(su.Severity, slCritical);
    EXPECT_EQ(su.TimeStamp, LocalText(1065910455));
    EXPECT_EQ(su.HostName, "mymachine.example.com");
    EXPECT_EQ(su.Content, "'su root' failed for lonvick on /dev/pts/8");

    const SyslogReading offset = ReadSyslogMessage(
        "<165>1 2003-08-24T05:14:15.000003-07:00 192.0.2.1 myproc 8710 - - %% It's time to make "
        "the do-nuts.",
        kSender);
    EXPECT_EQ(offset.TimeStamp, LocalText(1061727255));
    EXPECT_EQ(offset.HostName, "192.0.2.1");
    EXPECT_EQ(offset.Content, "%% It's time to make the do-nuts.");

    const SyslogReading structured = ReadSyslogMessage(
        "<165>1 2003-10-11T22:14:15.003Z mymachine.example.com evntslog - ID47 [exampleSDID@32473 "
        "iut=\"3\" eventSource=\"Application\" eventID=\"1011\"] \xEF\xBB\xBF"
        "An application event log entry...",
        kSender);
    EXPECT_EQ(structured.Content,
              "[exampleSDID@32473 iut=\"3\" eventSource=\"Application\" eventID=\"1011\"] An "
              "application event log entry...");
}

TEST(Rfc5424Reading, StructuredDataAloneAndEscapedBrackets) {
    testing::FixedClock clock(kNow);
    EXPECT_EQ(ReadSyslogMessage("<165>1 2003-10-11T22:14:15Z h app - ID47 [a@1 x=\"1\"][b@1 "
                                "y=\"q\\\"]\\\\\"]",
                                kSender)
                  .Content,
              "[a@1 x=\"1\"][b@1 y=\"q\\\"]\\\\\"]");
}

TEST(Rfc5424Reading, NilValuesFallBackToReceptionTimeAndSender) {
    testing::FixedClock clock(kNow);
    const SyslogReading reading = ReadSyslogMessage("<13>1 - - - - - - text: with colon", kSender);
    EXPECT_EQ(reading.TimeStamp, "2026-12-09 07:10:00");
    EXPECT_EQ(reading.HostName, kSender);
    EXPECT_EQ(reading.Content, "text: with colon");
    EXPECT_EQ(ReadSyslogMessage("<13>1 - host app 1 - -", kSender).Content, "");
}

TEST(Rfc5424Reading, UtilLinuxLoggerDefault) {
    testing::FixedClock clock(kNow);
    const SyslogReading reading = ReadSyslogMessage(
        "<13>1 2026-12-09T07:09:59.123456+00:00 buildhost root 4242 - [timeQuality tzKnown=\"1\" "
        "isSynced=\"0\"] hello world",
        kSender);
    EXPECT_EQ(reading.TimeStamp, LocalText(1796800199));
    EXPECT_EQ(reading.HostName, "buildhost");
    EXPECT_EQ(reading.Content, "[timeQuality tzKnown=\"1\" isSynced=\"0\"] hello world");
}

TEST(Rfc5424Reading, MalformedHeadersAreReadTheOldWay) {
    testing::FixedClock clock(kNow);
    for (const char* raw : {
             "<13>1 not a header",
             "<13>1 2003-10-11T22:14:15Z host app - - [unterminated",
             "<13>1 2003-10-11 22:14:15Z host app - - - x",
             "<13>1 2003-13-11T22:14:15Z host app - - - x",
             "<13>1 2003-10-11T22:14:15+0200 host app - - - x",
             "<13>1 2003-10-11T22:14:15Z host app - - -x",
             "<13>1 2003-10-11T22:14:15Z  app - - - x",
             "<13>1 2003-10-11T22:14:15.1234567Z host app - - - x",
             "<13>1 4006-10-11T22:14:15Z host app - - - year far away",
             "<13>1 1969-12-31T23:59:59Z host app - - - before the epoch",
         }) {
        const SyslogReading reading = ReadSyslogMessage(raw, kSender);
        EXPECT_EQ(reading.TimeStamp, "2026-12-09 07:10:00") << raw;
        EXPECT_EQ(reading.Message, std::string_view(raw).substr(4)) << raw;
    }
    // Without a PRI the version is not looked for.
    EXPECT_EQ(ReadSyslogMessage("1 2003-10-11T22:14:15Z host app - - - x", kSender).HostName,
              kSender);
}

}  // namespace
}  // namespace trevalon
