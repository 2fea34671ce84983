#include "service/trevalon_service.h"

#include <gtest/gtest.h>

#include "engine/storage/dm_kestrine.h"
#include "foundation/event_loop.h"
#include "tests/engine/storage/test_database_server.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using namespace std::chrono_literals;

// 14 December 2026 is a Monday.
constexpr LocalTime kMonday1430{2026, 12, 14, 14, 30, 0, 1};

// The module on a loop of the test's own with short timers: start-up at 20 ms (30 ms after a new
// database), the schedule check every 60 ms, housekeeping far away. The test waits for states,
// never for times.
class ServiceModuleTest : public ::testing::Test {
  protected:
    ServiceModuleTest() {
        testing::WriteWholeFile(installation.ConfFolder() + "SysInit.ini",
                                "[System]\nSysLogPort=0\n" + testing::TestDatabaseAccountSection());
    }

    EngineTimings Timings() const { return {20ms, 30ms, 60ms, 1h}; }

    // Runs the loop until `done` holds, looking every few milliseconds; false after 20 s.
    template <typename Condition>
    bool RunUntil(Condition done) {
        bool reached = false;
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        const TimerId probe = loop.StartTimer(5ms, TimerMode::kRepeating, [&] {
            reached = done();
            if (reached || std::chrono::steady_clock::now() > deadline) {
                loop.Stop();
            }
        });
        loop.Run();
        loop.StopTimer(probe);
        return reached;
    }

    std::string Log() const { return testing::DiagnosticLogText(installation); }

    testing::TempInstallation installation;
    testing::FixedClock clock{kMonday1430};
    bool serverReady = (testing::RequireServer(installation), true);
    EventLoop loop;
    testing::ScratchDatabase database{testing::TestDatabaseName("service"), false};
    TTrevalon service{loop, installation.Settings(), Timings(), database.Name()};
    TDMKestrine& dataModule = service.Engine().DataModule();
};

TEST_F(ServiceModuleTest, NewDatabaseThenInitialisationThenTheScheduleStopsReception) {
    ASSERT_TRUE(service.ServiceCreate());
    ASSERT_TRUE(RunUntil([&] { return service.ScheduleArmed(); }));
    EXPECT_TRUE(service.Engine().UdpListenerActive());

    // The hour is closed on Mondays: the next check stops reception, a later one opens it again.
    dataModule.Connection().Execute("update scheduling set mon=\"no\" where schedule_time=14");
    EXPECT_TRUE(RunUntil([&] { return !service.Engine().UdpListenerActive(); }));
    dataModule.Connection().Execute("update scheduling set mon=\"yes\" where schedule_time=14");
    EXPECT_TRUE(RunUntil([&] { return service.Engine().UdpListenerActive(); }));

    service.ServiceDestroy();
    const std::string log = Log();
    EXPECT_NE(log.find("[ERROR] ERR00101 : Connot make connection to MySQL database. : "),
              std::string::npos);
    EXPECT_NE(log.find("[INFO] Application starts.\r\n"), std::string::npos);
    const std::string tail = "[INFO] Trevalon starts.\r\n";
    EXPECT_NE(log.find(tail), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 20), "Application stops.\r\n");
}

TEST_F(ServiceModuleTest, FailedInitialisationRunsAgainAtTheNextTick) {
    ASSERT_TRUE(dataModule.ConnectDatabase(true));
    dataModule.CreateDatabase();
    ASSERT_TRUE(service.ServiceCreate());
    dataModule.Connection().Execute("rename table alarm_method to alarm_method_away");
    std::vector<std::string> errors;
    loop.SetErrorHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& caught) {
            errors.push_back(caught.what());
        }
    });
    ASSERT_TRUE(RunUntil([&] { return !errors.empty(); }));
    EXPECT_FALSE(service.ScheduleArmed());
    dataModule.Connection().Execute("rename table alarm_method_away to alarm_method");
    EXPECT_TRUE(RunUntil([&] { return service.ScheduleArmed(); }));
    EXPECT_TRUE(service.Engine().UdpListenerActive());
}

}  // namespace
}  // namespace trevalon
