#include "engine/storage/house_keeping.h"

#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/engine_settings.h"
#include "tests/engine/storage/storage_scratch_database.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

namespace fs = std::filesystem;
using testing::FixedClock;
using testing::SchemaScratchDatabase;
using testing::TempInstallation;
using testing::WriteWholeFile;

constexpr LocalTime kMorning{2009, 3, 14, 8, 0, 4};

std::string Date(const LocalTime& day) {
    return FormatDate(day);
}

TEST(HouseKeeping, DaysBeforeFollowsTheCalendar) {
    EXPECT_EQ(Date(DaysBefore({2009, 3, 14}, 7)), "2009-03-07");
    EXPECT_EQ(Date(DaysBefore({2009, 3, 1}, 1)), "2009-02-28");
    EXPECT_EQ(Date(DaysBefore({2008, 3, 1}, 1)), "2008-02-29");
    EXPECT_EQ(Date(DaysBefore({2009, 1, 3}, 7)), "2008-12-27");
    EXPECT_EQ(Date(DaysBefore({2009, 3, 30, 2, 30, 0}, 365)), "2008-03-30");
}

TEST(HouseKeeping, RowDeletionStatementText) {
    EXPECT_EQ(DeleteOldSyslogRowsStatement({2009, 3, 7, 8, 0, 4}),
              "delete from syslog where syslog_datetime<\"2009-03-07 00:00:00\"");
}

class HouseKeepingDatabase : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* day :
             {"2009-03-06", "2009-03-07", "2009-03-08", "2009-03-11", "2009-03-14"}) {
            WriteWholeFile(Log("system_" + std::string(day) + ".log"), "diagnostic\r\n");
            WriteWholeFile(Log("syslog_" + std::string(day) + ".log"), "message\r\n");
        }
        for (const char* time :
             {"2009-03-01 12:00:00", "2009-03-06 23:59:59", "2009-03-07 00:00:00",
              "2009-03-07 00:00:01", "2009-03-14 08:00:00"}) {
            database_.Execute(
                "insert into syslog (syslog_datetime,ip,facility,severity,msg) values (\"" +
                std::string(time) + "\",\"10.0.0.1\",\"Kernel\",\"Notice\",\"m\")");
        }
    }

    std::string Log(const std::string& name) const { return installation_.LogFolder() + name; }

    std::vector<std::string> RemainingRows() {
        const QueryResult rows = database_.Connection().Query(
            "select syslog_datetime from syslog order by syslog_datetime");
        std::vector<std::string> times;
        for (std::size_t i = 0; i < rows.RowCount(); ++i) {
            times.push_back(rows.Text(i, "syslog_datetime"));
        }
        return times;
    }

    TempInstallation installation_;
    SchemaScratchDatabase database_{installation_, "trevalon_test_housekeep"};
    FixedClock clock_{kMorning};
};

TEST_F(HouseKeepingDatabase, DeletesOnlyTheFilesOfTheCutOffDayAndTheOlderRows) {
    EngineSettings settings = installation_.Settings();
    settings.SystemLog.HouseKeepDay = 7;
    settings.FileBackup.HouseKeepDay = 3;
    settings.DbBackup.HouseKeepDay = 7;
    // Old files are removed whether or not storage is enabled.
    settings.FileBackup.Enable = false;
    settings.DbBackup.Enable = false;

    HouseKeep(database_.Connection(), settings);

    EXPECT_FALSE(fs::exists(Log("system_2009-03-07.log")));
    EXPECT_FALSE(fs::exists(Log("syslog_2009-03-11.log")));
    for (const char* kept :
         {"system_2009-03-06.log", "system_2009-03-08.log", "system_2009-03-11.log",
          "system_2009-03-14.log", "syslog_2009-03-06.log", "syslog_2009-03-07.log",
          "syslog_2009-03-08.log", "syslog_2009-03-14.log"}) {
        EXPECT_TRUE(fs::exists(Log(kept))) << kept;
    }
    EXPECT_EQ(RemainingRows(),
              (std::vector<std::string>{"2009-03-07 00:00:00", "2009-03-07 00:00:01",
                                        "2009-03-14 08:00:00"}));

    // The next hourly run finds nothing more to do.
    HouseKeep(database_.Connection(), settings);
    EXPECT_EQ(database_.Count("syslog"), 3);
}

TEST_F(HouseKeepingDatabase, HouseKeepDayBelowOneNeverReachesTodayOrTheWholeTable) {
    EngineSettings settings = installation_.Settings();
    settings.SystemLog.HouseKeepDay = 0;
    settings.FileBackup.HouseKeepDay = 0;
    settings.DbBackup.HouseKeepDay = -30;

    HouseKeep(database_.Connection(), settings);

    EXPECT_TRUE(fs::exists(Log("system_2009-03-14.log")));
    EXPECT_TRUE(fs::exists(Log("syslog_2009-03-14.log")));
    EXPECT_FALSE(fs::exists(Log("syslog_2009-03-07.log")));  // the default of 7 days applies
    EXPECT_EQ(database_.Count("syslog"), 3);
}

TEST_F(HouseKeepingDatabase, RowDeletionErrorReachesTheCallerAfterTheFiles) {
    database_.Connection().Disconnect();
    EXPECT_THROW(HouseKeep(database_.Connection(), installation_.Settings()), DatabaseError);
    EXPECT_FALSE(fs::exists(Log("system_2009-03-07.log")));
    EXPECT_FALSE(fs::exists(Log("syslog_2009-03-07.log")));
}

TEST_F(HouseKeepingDatabase, MissingOrUndeletableFilesAreIgnored) {
    fs::remove(Log("system_2009-03-07.log"));
    // A non-empty folder under the file's name cannot be deleted.
    fs::remove(Log("syslog_2009-03-07.log"));
    fs::create_directories(Log("syslog_2009-03-07.log/inside"));
    EXPECT_NO_THROW(HouseKeep(database_.Connection(), installation_.Settings()));
    EXPECT_TRUE(fs::exists(Log("syslog_2009-03-07.log/inside")));
    EXPECT_EQ(database_.Count("syslog"), 3);
}

}  // namespace
}  // namespace trevalon
