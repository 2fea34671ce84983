#pragma once

#include <chrono>

#include "engine/syslog_engine.h"
#include "foundation/owner_loop.h"

namespace trevalon {

class TDMKestrine;
struct EngineSettings;

// The service's timer intervals; tests shorten them.
struct ServiceTimings {
    std::chrono::milliseconds init{4000};
    std::chrono::milliseconds initAfterNewDatabase{3000};
    std::chrono::milliseconds schedule{60000};
    std::chrono::milliseconds houseKeeping{3600000};
};

// The service module: start-up against the database, the delayed initialisation of the engine,
// the schedule and housekeeping timers, and the orderly end. Everything runs on the owner loop.
class TTrevalon {
  public:
    TTrevalon(OwnerLoop& loop, TDMKestrine& dataModule, EngineSettings& settings,
              ServiceTimings timings = {});
    ~TTrevalon();
    TTrevalon(const TTrevalon&) = delete;
    TTrevalon& operator=(const TTrevalon&) = delete;

    // Loads the settings and makes the database ready. False when the program must end.
    bool ServiceCreate();
    void ServiceStart();
    void ServiceStop();
    // Stops reception, drains the pool and logs the end; runs once, also from the destructor.
    void ServiceDestroy();

    SyslogEngine& Engine() { return engine_; }
    bool ScheduleArmed() const { return scheduleArmed_; }

  private:
    void TimerInitTimer();
    void TimerTimer();
    void TimerHouseKeepTimer();

    OwnerLoop& loop_;
    TDMKestrine& dataModule_;
    EngineSettings& settings_;
    ServiceTimings timings_;
    SyslogEngine engine_;
    TimerId timerInit_ = 0;
    TimerId timer_ = 0;
    TimerId timerHouseKeep_ = 0;
    bool scheduleArmed_ = false;
    bool destroyed_ = false;
};

// "ERROR : Please send this error message to ... for trouble solving. : <text>"
std::string UnhandledErrorLine(std::string_view errorText);

}  // namespace trevalon
