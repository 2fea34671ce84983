#include "engine/reception/syslog_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "foundation/clock.h"

namespace trevalon {
namespace {

class FixedClock final : public Clock {
  public:
    explicit FixedClock(const LocalTime& local) : now_(FromLocalTime(local)) {}
    TimePoint Now() const override { return now_; }

  private:
    TimePoint now_;
};

constexpr const char* kSender = "192.0.2.7";

class SyslogReaderTest : public ::testing::Test {
  protected:
    // Reception happens at 2024-06-15 10:20:30 unless a test pins another moment.
    FixedClock clock_{LocalTime{2024, 6, 15, 10, 20, 30}};
    ScopedClockOverride pin_{clock_};

    static SyslogReading Read(std::string_view raw) { return ReadSyslogMessage(raw, kSender); }
};

TEST_F(SyslogReaderTest, ReadsAWellFormedMessage) {
    const SyslogReading reading = Read("<34>Oct 11 22:14:15 mymachine su: 'su root' failed");
    EXPECT_EQ(reading.Facility, sfSecurityOne);
    EXPECT_EQ(reading.Severity, slCritical);
    EXPECT_EQ(reading.TimeStamp, "2024-10-11 22:14:15");
    EXPECT_EQ(reading.HostName, "mymachine");
    EXPECT_EQ(reading.Message, "su: 'su root' failed");
    EXPECT_EQ(reading.Content, " 'su root' failed");

    const SyslogRecord record = MakeSyslogRecord(reading, "10.0.0.1");
    EXPECT_EQ(record.TimeStamp, "2024-10-11 22:14:15");
    EXPECT_EQ(record.Source, "10.0.0.1");
    EXPECT_EQ(record.Facility, sfSecurityOne);
    EXPECT_EQ(record.Severity, slCritical);
    EXPECT_EQ(record.FacilityName, "Security One");
    EXPECT_EQ(record.SeverityName, "Critical");
    EXPECT_EQ(record.Content, " 'su root' failed");
}

TEST_F(SyslogReaderTest, ValidPriSetsFacilityAndSeverity) {
    struct Case {
        const char* raw;
        TIdSyslogFacility facility;
        TIdSyslogSeverity severity;
    };
    for (const Case& c :
         {Case{"<0>x", sfKernel, slEmergency}, Case{"<7>x", sfKernel, slDebug},
          Case{"<64>x", sfUUCP, slEmergency}, Case{"<71>x", sfUUCP, slDebug},
          Case{"<72>x", sfClockDaemonOne, slEmergency}, Case{"<79>x", sfClockDaemonOne, slDebug},
          Case{"<0013>x", sfUserLevel, slNotice}, Case{"<165>x", sfLocalUseFour, slNotice},
          Case{"<191>x", sfLocalUseSeven, slDebug}}) {
        const SyslogReading reading = Read(c.raw);
        EXPECT_EQ(reading.Facility, c.facility) << c.raw;
        EXPECT_EQ(reading.Severity, c.severity) << c.raw;
        EXPECT_EQ(reading.Message, "x") << c.raw;
    }
}

TEST_F(SyslogReaderTest, MalformedPriFallsBackToUserLevelNoticeAndKeepsTheWholeText) {
    for (const char* raw : {"hello world", "<192>x", "<999>x", "<>x", "<1a>x", "< 13>x", "<12345>x",
                            "<13", "<", "", "13>x", " <13>x", "<-1>x", "<+13>x"}) {
        const SyslogReading reading = Read(raw);
        EXPECT_EQ(reading.Facility, sfUserLevel) << raw;
        EXPECT_EQ(reading.Severity, slNotice) << raw;
        EXPECT_EQ(reading.Message, raw);
        EXPECT_EQ(reading.HostName, kSender) << raw;
        EXPECT_EQ(reading.TimeStamp, "2024-06-15 10:20:30") << raw;
    }
    EXPECT_EQ(Read("hello world").Content, "hello world");
}

TEST_F(SyslogReaderTest, HeaderIsReadAfterAMissingPriToo) {
    const SyslogReading reading = Read("Oct 11 22:14:15 host1 sshd[231]: accepted");
    EXPECT_EQ(reading.Facility, sfUserLevel);
    EXPECT_EQ(reading.Severity, slNotice);
    EXPECT_EQ(reading.TimeStamp, "2024-10-11 22:14:15");
    EXPECT_EQ(reading.HostName, "host1");
    EXPECT_EQ(reading.Content, " accepted");
}

TEST_F(SyslogReaderTest, TimestampAcceptsAnyMonthCaseAndBothDayForms) {
    EXPECT_EQ(Read("<13>jan  5 07:04:09 h m").TimeStamp, "2024-01-05 07:04:09");
    EXPECT_EQ(Read("<13>FEB 05 00:00:00 h m").TimeStamp, "2024-02-05 00:00:00");
    EXPECT_EQ(Read("<13>dEc 31 23:59:59 h m").TimeStamp, "2024-12-31 23:59:59");
    EXPECT_EQ(Read("<13>Feb 29 12:00:00 h m").TimeStamp, "2024-02-29 12:00:00");
    const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int month = 1; month <= 12; ++month) {
        const std::string raw = std::string("<13>") + months[month - 1] + " 28 01:02:03 h m";
        char expected[20];
        std::snprintf(expected, sizeof expected, "2024-%02d-28 01:02:03", month);
        EXPECT_EQ(Read(raw).TimeStamp, expected);
    }
}

TEST_F(SyslogReaderTest, UnreadableTimestampConsumesNothingOfTheHeader) {
    for (const char* header :
         {"Feb 30 12:00:00 ", "Apr 31 12:00:00 ", "Oct 32 12:00:00 ", "Oct 00 12:00:00 ",
          "Oct  0 12:00:00 ", "Oct 1  12:00:00 ", "Oct 11 24:00:00 ", "Oct 11 22:60:00 ",
          "Oct 11 22:14:60 ", "Oct 11 22.14.15 ", "Oct 11 2:14:15  ", "Okt 11 22:14:15 ",
          "Oct-11 22:14:15 ", "Oct 11 22:14:15x", "Oct 11 22:14:15", "Oct 11 22:14",
          "Oct 1a 22:14:15 ", "Oct 11 22:14:1 "}) {
        const std::string raw = std::string("<13>") + header + "host tag: text";
        const SyslogReading reading = Read(raw);
        EXPECT_EQ(reading.TimeStamp, "2024-06-15 10:20:30") << header;
        EXPECT_EQ(reading.HostName, kSender) << header;
        EXPECT_EQ(reading.Message, raw.substr(4)) << header;
    }
}

TEST_F(SyslogReaderTest, FebruaryTwentyNinthNeedsALeapYear) {
    FixedClock in2023(LocalTime{2023, 6, 15, 10, 20, 30});
    ScopedClockOverride pin(in2023);
    const SyslogReading reading = Read("<13>Feb 29 12:00:00 host text");
    EXPECT_EQ(reading.TimeStamp, "2023-06-15 10:20:30");
    EXPECT_EQ(reading.HostName, kSender);
}

TEST_F(SyslogReaderTest, YearFollowsTheTurnOfTheYear) {
    {
        FixedClock newYear(LocalTime{2025, 1, 1, 0, 0, 5});
        ScopedClockOverride pin(newYear);
        EXPECT_EQ(Read("<13>Dec 31 23:59:58 h m").TimeStamp, "2024-12-31 23:59:58");
        EXPECT_EQ(Read("<13>Jan  1 00:00:04 h m").TimeStamp, "2025-01-01 00:00:04");
        // 2025 is no leap year, 2024 is.
        EXPECT_EQ(Read("<13>Feb 29 00:00:04 h m").HostName, kSender);
    }
    {
        FixedClock newYearsEve(LocalTime{2024, 12, 31, 23, 59, 59});
        ScopedClockOverride pin(newYearsEve);
        EXPECT_EQ(Read("<13>Jan  1 00:00:01 h m").TimeStamp, "2025-01-01 00:00:01");
        EXPECT_EQ(Read("<13>Nov 30 00:00:01 h m").TimeStamp, "2024-11-30 00:00:01");
    }
}

TEST_F(SyslogReaderTest, HostNameEndsAtTheNextSpace) {
    SyslogReading reading = Read("<13>Oct 11 22:14:15  tag: text");
    EXPECT_EQ(reading.HostName, "");
    EXPECT_EQ(reading.Message, "tag: text");

    reading = Read("<13>Oct 11 22:14:15 lonelyhost");
    EXPECT_EQ(reading.HostName, "lonelyhost");
    EXPECT_EQ(reading.Message, "");
    EXPECT_EQ(reading.Content, "");

    reading = Read("<13>Oct 11 22:14:15 host ");
    EXPECT_EQ(reading.HostName, "host");
    EXPECT_EQ(reading.Message, "");

    reading = Read("<13>Oct 11 22:14:15 ");
    EXPECT_EQ(reading.TimeStamp, "2024-10-11 22:14:15");
    EXPECT_EQ(reading.HostName, "");
    EXPECT_EQ(reading.Message, "");
}

TEST_F(SyslogReaderTest, HostNameKeepsOnlyPrintableAscii) {
    EXPECT_EQ(Read("<13>Oct 11 22:14:15 h\xc3\xa9te m").HostName, "h??te");
    EXPECT_EQ(Read("<13>Oct 11 22:14:15 \x80\xff m").HostName, "??");
    EXPECT_EQ(Read("<13>Oct 11 22:14:15 a\nb\tc\x7f m").HostName, "a?b?c?");
    std::string withNul = "<13>Oct 11 22:14:15 a";
    withNul += '\0';
    withNul += "b m";
    EXPECT_EQ(Read(withNul).HostName, "a?b");
    EXPECT_EQ(Read("<13>Oct 11 22:14:15 router-1.example_net m").HostName, "router-1.example_net");
}

TEST_F(SyslogReaderTest, ContentCutsTheTagAtTheFirstColon) {
    struct Case {
        const char* message;
        const char* content;
    };
    for (const Case& c :
         {Case{":abc", ":abc"}, Case{"a:b:c", "b:c"}, Case{"::x", "::x"}, Case{"x:", ""},
          Case{"no colon", "no colon"}, Case{"", ""}, Case{"sshd[231]: Accepted", " Accepted"}}) {
        const SyslogReading reading = Read(std::string("<13>Oct 11 22:14:15 host ") + c.message);
        EXPECT_EQ(reading.Message, c.message);
        EXPECT_EQ(reading.Content, c.content) << c.message;
    }
}

TEST_F(SyslogReaderTest, MessageBytesPassThroughUnchanged) {
    const std::string message("tag: \0\x01\xff\r\n\"'\\ end", 17);
    const SyslogReading reading = Read("<13>Oct 11 22:14:15 host " + message);
    EXPECT_EQ(reading.Message, message);
    EXPECT_EQ(reading.Content, message.substr(4));
}

// Every prefix sits in a buffer of exactly its size, so a read past the end is caught by the
// address sanitizer.
TEST_F(SyslogReaderTest, EveryPrefixOfAMessageIsReadWithinItsBounds) {
    const std::string full = "<165>Oct 11 22:14:15 host tag: text";
    for (std::size_t length = 0; length <= full.size(); ++length) {
        const auto buffer = std::make_unique<char[]>(length);
        full.copy(buffer.get(), length);
        const SyslogReading reading = ReadSyslogMessage({buffer.get(), length}, kSender);
        EXPECT_EQ(reading.TimeStamp.size(), 19u);
        EXPECT_LE(reading.Message.size(), length);
    }
}

TEST_F(SyslogReaderTest, RecordTakesNamesFromThePri) {
    const SyslogRecord record = MakeSyslogRecord(Read("<64>no header"), "router1");
    EXPECT_EQ(record.Source, "router1");
    EXPECT_EQ(record.FacilityName, "UUCP");
    EXPECT_EQ(record.SeverityName, "Emergency");
    EXPECT_EQ(record.TimeStamp, "2024-06-15 10:20:30");
    EXPECT_EQ(record.Content, "no header");

    EXPECT_EQ(MakeSyslogRecord(Read("<72>x"), kSender).FacilityName, "Clock Daemon One");
    EXPECT_EQ(MakeSyslogRecord(Read("bare"), kSender).FacilityName, "User Level");
    EXPECT_EQ(MakeSyslogRecord(Read("bare"), kSender).SeverityName, "Notice");
}

}  // namespace
}  // namespace trevalon
