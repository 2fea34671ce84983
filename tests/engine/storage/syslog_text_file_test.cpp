#include "engine/storage/syslog_text_file.h"

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "foundation/engine_settings.h"
#include "platform/errno_text.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using testing::FixedClock;
using testing::ReadWholeFile;
using testing::TempInstallation;

constexpr LocalTime kMorning{2009, 3, 14, 8, 0, 4};

SyslogRecord Record(std::string timeStamp, std::string source, std::string content) {
    SyslogRecord record;
    record.TimeStamp = std::move(timeStamp);
    record.Source = std::move(source);
    record.Facility = sfLocalUseZero;
    record.Severity = slNotice;
    record.FacilityName = "Local Use Zero";
    record.SeverityName = "Notice";
    record.Content = std::move(content);
    return record;
}

TEST(SyslogTextFile, AppendsCrLfLinesToTheFileOfTheDayOfWriting) {
    TempInstallation installation;
    EngineSettings settings = installation.Settings();
    SyslogTextFile file;
    FixedClock clock(kMorning);
    file.Append(settings, Record("2009-03-14 08:00:04", "192.168.1.20", "link up"));
    // A header from another day is still filed under the day of writing; a leading space
    // of the content stays.
    file.Append(settings, Record("2009-10-11 22:14:15", "mymachine", " 'su root' failed"));
    EXPECT_EQ(ReadWholeFile(installation.LogFolder() + "syslog_2009-03-14.log"),
              "2009-03-14 08:00:04 [192.168.1.20] [Local Use Zero] [Notice] link up\r\n"
              "2009-10-11 22:14:15 [mymachine] [Local Use Zero] [Notice]  'su root' failed\r\n");
    EXPECT_FALSE(std::filesystem::exists(installation.LogFolder() + "syslog_2009-10-11.log"));

    clock.Set(LocalTime{2009, 3, 15, 0, 0, 0});
    file.Append(settings, Record("2009-03-14 23:59:59", "h", "late"));
    EXPECT_EQ(ReadWholeFile(installation.LogFolder() + "syslog_2009-03-15.log"),
              "2009-03-14 23:59:59 [h] [Local Use Zero] [Notice] late\r\n");
}

TEST(SyslogTextFile, PathAndPrefixAreUsedUnchanged) {
    TempInstallation installation;
    EngineSettings settings = installation.Settings();
    SyslogTextFile file;
    FixedClock clock(kMorning);
    settings.FileBackup.FilenamePath = installation.LogFolder() + "backup";  // no separator
    settings.FileBackup.Filename = "messages-";
    file.Append(settings, Record("2009-03-14 08:00:04", "h", "x"));
    EXPECT_EQ(ReadWholeFile(installation.LogFolder() + "backupmessages-2009-03-14.log"),
              "2009-03-14 08:00:04 [h] [Local Use Zero] [Notice] x\r\n");
}

TEST(SyslogTextFile, DisabledBackupWritesNothing) {
    TempInstallation installation;
    EngineSettings settings = installation.Settings();
    SyslogTextFile file;
    FixedClock clock(kMorning);
    settings.FileBackup.Enable = false;
    file.Append(settings, Record("2009-03-14 08:00:04", "h", "x"));
    EXPECT_TRUE(std::filesystem::is_empty(installation.LogFolder()));
}

TEST(SyslogTextFile, HostileTextCannotAddLinesOfItsOwn) {
    TempInstallation installation;
    EngineSettings settings = installation.Settings();
    SyslogTextFile file;
    FixedClock clock(kMorning);
    const std::string forged = "ok\r\n2009-03-14 08:00:05 [10.0.0.1] [Kernel] [Emergency] forged";
    const std::string binary("tab\there \"quoted\" [x] \\ \xC3\xA9\xFF nul:\0:end", 37);
    file.Append(settings, Record("2009-03-14 08:00:04", "evil\nhost", forged));
    file.Append(settings, Record("2009-03-14 08:00:04", "h", binary));
    EXPECT_EQ(ReadWholeFile(installation.LogFolder() + "syslog_2009-03-14.log"),
              "2009-03-14 08:00:04 [evil#012host] [Local Use Zero] [Notice] ok#015#0122009-03-14 "
              "08:00:05 [10.0.0.1] [Kernel] [Emergency] forged\r\n"
              "2009-03-14 08:00:04 [h] [Local Use Zero] [Notice] " +
                  binary + "\r\n");
}

TEST(SyslogTextFile, StreamTrailerEndsTheLineOnce) {
    TempInstallation installation;
    EngineSettings settings = installation.Settings();
    SyslogTextFile file;
    FixedClock clock(kMorning);
    file.Append(settings, Record("2009-03-14 08:00:04", "h", "over tcp\n"));
    file.Append(settings, Record("2009-03-14 08:00:04", "h", "crlf\r\n"));
    file.Append(settings, Record("2009-03-14 08:00:04", "h", "two\n\n"));
    EXPECT_EQ(ReadWholeFile(installation.LogFolder() + "syslog_2009-03-14.log"),
              "2009-03-14 08:00:04 [h] [Local Use Zero] [Notice] over tcp\r\n"
              "2009-03-14 08:00:04 [h] [Local Use Zero] [Notice] crlf\r\n"
              "2009-03-14 08:00:04 [h] [Local Use Zero] [Notice] two#012\r\n");
}

TEST(SyslogTextFile, UnwritableFileIsLoggedAndNotRaised) {
    TempInstallation installation;
    EngineSettings settings = installation.Settings();
    SyslogTextFile file;
    FixedClock clock(kMorning);
    settings.FileBackup.FilenamePath = installation.AppPath() + "/missing/";
    EXPECT_NO_THROW(file.Append(settings, Record("2009-03-14 08:00:04", "h", "x")));
    EXPECT_EQ(ReadWholeFile(installation.LogFolder() + "system_2009-03-14.log"),
              "2009-03-14 08:00:04 [WARMING] ERR00201 : Backup SysLog file is invalid. : " +
                  platform::ErrnoText(ENOENT) + "\r\n");
}

// While a receiver holds the file, a batch's lines are written together at its flush; lines still
// go to the file of the day they were received on, in order.
TEST(SyslogTextFile, HeldLinesAreWrittenAtTheFlushAndKeepTheirDay) {
    TempInstallation installation;
    EngineSettings settings = installation.Settings();
    SyslogTextFile file;
    FixedClock clock(LocalTime{2009, 3, 14, 23, 59, 59});
    const std::string today = installation.LogFolder() + "syslog_2009-03-14.log";
    const std::string tomorrow = installation.LogFolder() + "syslog_2009-03-15.log";
    file.Hold();
    file.Append(settings, Record("2009-03-14 23:59:59", "h", "one"));
    file.Append(settings, Record("2009-03-14 23:59:59", "h", "two"));
    EXPECT_EQ(ReadWholeFile(today), "");
    file.Flush();
    EXPECT_EQ(ReadWholeFile(today),
              "2009-03-14 23:59:59 [h] [Local Use Zero] [Notice] one\r\n"
              "2009-03-14 23:59:59 [h] [Local Use Zero] [Notice] two\r\n");
    file.Append(settings, Record("2009-03-14 23:59:59", "h", "three"));
    clock.Set(LocalTime{2009, 3, 15, 0, 0, 0});
    file.Append(settings, Record("2009-03-15 00:00:00", "h", "four"));
    // A second receiver's hold keeps the file held after the first lets go.
    file.Hold();
    file.Release();
    EXPECT_EQ(ReadWholeFile(tomorrow),
              "2009-03-15 00:00:00 [h] [Local Use Zero] [Notice] four\r\n");
    file.Append(settings, Record("2009-03-15 00:00:00", "h", "five"));
    file.Release();
    EXPECT_EQ(ReadWholeFile(today),
              "2009-03-14 23:59:59 [h] [Local Use Zero] [Notice] one\r\n"
              "2009-03-14 23:59:59 [h] [Local Use Zero] [Notice] two\r\n"
              "2009-03-14 23:59:59 [h] [Local Use Zero] [Notice] three\r\n");
    EXPECT_EQ(ReadWholeFile(tomorrow),
              "2009-03-15 00:00:00 [h] [Local Use Zero] [Notice] four\r\n"
              "2009-03-15 00:00:00 [h] [Local Use Zero] [Notice] five\r\n");
    // Unheld, each line is written at once.
    file.Append(settings, Record("2009-03-15 00:00:00", "h", "six"));
    EXPECT_NE(ReadWholeFile(tomorrow).find("six"), std::string::npos);
}

}  // namespace
}  // namespace trevalon
