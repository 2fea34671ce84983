#pragma once

// The service program's module around the engine.

#include <string>
#include <string_view>

#include "engine/syslog_engine.h"
#include "foundation/owner_loop.h"

namespace trevalon {

// The service module: the engine with the service's pipeline, its start-up against the
// database and the log lines of the service's start and end. Everything runs on the owner loop.
class TTrevalon {
  public:
    TTrevalon(OwnerLoop& loop, EngineSettings settings, EngineTimings timings = {},
              std::string databaseName = std::string(kDefaultDatabaseName));
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
    bool ScheduleArmed() const { return engine_.ScheduleArmed(); }

  private:
    SyslogEngine engine_;
    bool destroyed_ = false;
};

}  // namespace trevalon
