#include "service/trevalon_service.h"

#include "engine/storage/configuration_cache.h"
#include "engine/storage/dm_kestrine.h"
#include "engine/storage/house_keeping.h"
#include "foundation/app_paths.h"
#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "foundation/engine_settings.h"
#include "foundation/settings_file.h"

namespace trevalon {

std::string UnhandledErrorLine(std::string_view errorText) {
    return WithErrorText(catalogue::kUnhandledErrorPrefix, errorText);
}

TTrevalon::TTrevalon(OwnerLoop& loop, TDMKestrine& dataModule, EngineSettings& settings,
                     ServiceTimings timings)
    : loop_(loop),
      dataModule_(dataModule),
      settings_(settings),
      timings_(timings),
      engine_(loop, settings, TheConfigurationCache(), PipelineVariant::Service()) {
    timer_ = loop_.StartTimer(timings_.schedule, TimerMode::kRepeating, [this] { TimerTimer(); });
    timerHouseKeep_ = loop_.StartTimer(timings_.houseKeeping, TimerMode::kRepeating,
                                       [this] { TimerHouseKeepTimer(); });
}

TTrevalon::~TTrevalon() {
    ServiceDestroy();
    loop_.StopTimer(timerInit_);
    loop_.StopTimer(timer_);
    loop_.StopTimer(timerHouseKeep_);
}

bool TTrevalon::ServiceCreate() {
    LoadSettings(settings_);
    std::chrono::milliseconds initDelay = timings_.init;
    if (dataModule_.ConnectDatabase(false)) {
        dataModule_.CreateMissingTables();
        WriteDiagnostic(catalogue::kApplicationStarts, kLevelInfo);
    } else if (dataModule_.ConnectDatabase(true)) {
        dataModule_.CreateDatabase();
        initDelay = timings_.initAfterNewDatabase;
        WriteDiagnostic(catalogue::kApplicationStarts, kLevelInfo);
    } else {
        WriteDiagnostic(catalogue::kProvideValidCredentials, kLevelInfo);
        return false;
    }
    // Repeating until it succeeds once: a failed initialisation runs again at the next tick.
    timerInit_ = loop_.StartTimer(initDelay, TimerMode::kRepeating, [this] { TimerInitTimer(); });
    return true;
}

void TTrevalon::ServiceStart() {
    WriteDiagnostic(catalogue::kServiceApplicationStarts, kLevelInfo);
}

void TTrevalon::ServiceStop() {
    WriteDiagnostic(catalogue::kServiceApplicationStops, kLevelInfo);
}

void TTrevalon::TimerInitTimer() {
    engine_.Initialise(dataModule_.Connection());
    if (settings_.System.InitStart) {
        engine_.StartReceivers();
    } else {
        engine_.StopReceivers();
    }
    scheduleArmed_ = true;
    loop_.StopTimer(timerInit_);
    timerInit_ = 0;
}

void TTrevalon::TimerTimer() {
    if (scheduleArmed_) {
        RunScheduleCheck(dataModule_.Connection(), LocalNow(), engine_);
    }
}

void TTrevalon::TimerHouseKeepTimer() {
    HouseKeep(dataModule_.Connection());
}

void TTrevalon::ServiceDestroy() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    engine_.StopReceivers();
    engine_.Shutdown();
    if (EnsureLogFolder(settings_)) {
        WriteDiagnostic(catalogue::kApplicationStops, kLevelInfo);
    }
}

}  // namespace trevalon
