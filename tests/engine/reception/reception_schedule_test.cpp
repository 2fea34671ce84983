#include "engine/reception/reception_schedule.h"

#include <gtest/gtest.h>

#include "tests/engine/storage/storage_scratch_database.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

class RecordingReception final : public ScheduledReception {
  public:
    bool UdpListenerActive() const override { return active; }
    void StartReceivers() override {
        ++starts;
        active = true;
    }
    void StopReceivers() override {
        ++stops;
        active = false;
    }
    bool active = false;
    int starts = 0;
    int stops = 0;
};

// 14 December 2026 is a Monday, 20 December a Sunday.
constexpr LocalTime kMonday1430{2026, 12, 14, 14, 30, 0, 1};
constexpr LocalTime kSunday2359{2026, 12, 20, 23, 59, 0, 0};

class ReceptionScheduleTest : public ::testing::Test {
  protected:
    void SetDay(int hour, const char* column, const char* value) {
        database.Execute(std::string("update scheduling set ") + column + "=\"" + value +
                         "\" where schedule_time=" + std::to_string(hour));
    }
    void Check(const LocalTime& now) { RunScheduleCheck(database.Connection(), now, reception); }

    testing::TempInstallation installation;
    testing::SchemaScratchDatabase database{installation, "trevalon_test_schedule"};
    RecordingReception reception;
};

TEST_F(ReceptionScheduleTest, QueryText) {
    EXPECT_EQ(ScheduleQuery(14), "select * from scheduling where schedule_time=14");
    EXPECT_EQ(ScheduleQuery(0), "select * from scheduling where schedule_time=0");
}

TEST_F(ReceptionScheduleTest, NoStopsAndYesStartsAgain) {
    reception.active = true;
    SetDay(14, "mon", "no");
    Check(kMonday1430);
    EXPECT_EQ(reception.stops, 1);
    Check(kMonday1430);
    EXPECT_EQ(reception.stops, 1);
    Check(LocalTime{2026, 12, 14, 15, 0, 30, 1});
    EXPECT_EQ(reception.starts, 1);
    EXPECT_TRUE(reception.active);
}

TEST_F(ReceptionScheduleTest, InactiveUdpListenerMeansStartEveryCheck) {
    RecordingReception tcpOnly;
    RunScheduleCheck(database.Connection(), kMonday1430, tcpOnly);
    tcpOnly.active = false;
    RunScheduleCheck(database.Connection(), kMonday1430, tcpOnly);
    EXPECT_EQ(tcpOnly.starts, 2);
}

TEST_F(ReceptionScheduleTest, MissingRowStopsReception) {
    reception.active = true;
    database.Execute("delete from scheduling where schedule_time=14");
    EXPECT_EQ(ScheduledState(database.Connection(), kMonday1430), "no");
    Check(kMonday1430);
    EXPECT_EQ(reception.stops, 1);
}

TEST_F(ReceptionScheduleTest, LastOfTwoRowsDecides) {
    database.Execute(
        "insert into scheduling (schedule_time,mon,tue,wed,thu,fri,sat,sun) values "
        "(14,\"no\",\"yes\",\"yes\",\"yes\",\"yes\",\"yes\",\"yes\")");
    EXPECT_EQ(ScheduledState(database.Connection(), kMonday1430), "no");
}

TEST_F(ReceptionScheduleTest, OtherValuesChangeNothing) {
    for (const char* value : {"Yes", "", "NO", "y"}) {
        SetDay(14, "mon", value);
        reception.active = true;
        Check(kMonday1430);
        reception.active = false;
        Check(kMonday1430);
    }
    EXPECT_EQ(reception.starts, 0);
    EXPECT_EQ(reception.stops, 0);
}

TEST_F(ReceptionScheduleTest, SundayReadsColumnSun) {
    SetDay(23, "sun", "no");
    SetDay(23, "mon", "yes");
    reception.active = true;
    Check(kSunday2359);
    EXPECT_EQ(reception.stops, 1);
}

TEST_F(ReceptionScheduleTest, DatabaseErrorsReachTheCaller) {
    database.Execute("drop table scheduling");
    EXPECT_THROW(Check(kMonday1430), DatabaseError);
}

}  // namespace
}  // namespace trevalon
