#include "engine/syslog_engine.h"

#include "engine/alarms/alarm_dispatcher.h"
#include "engine/engine_deliveries.h"
#include "engine/pool/thread_pool_manager.h"
#include "engine/storage/configuration_loaders.h"
#include "engine/storage/house_keeping.h"
#include "engine/storage/server_outage.h"
#include "engine/storage/thread_db_mysql_execute_for_syslog.h"
#include "foundation/app_paths.h"
#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "foundation/program_end.h"
#include "foundation/settings_file.h"

namespace trevalon {
namespace {

constexpr std::string_view kDatabaseAwaitedLine =
    "MySQL server cannot be reached; reception starts without it and the database start-up "
    "follows when it answers.";

// Whether the server answers at all, whatever it says: a quiet try, since the start-up logs
// its own failures once it runs.
bool ServerAnswers(const EngineSettings& settings) {
    DatabaseConnection probe;
    try {
        probe.Connect(ConnectionParameters{settings.Database.Host,
                                           settings.Database.Port,
                                           settings.Database.DBUsername,
                                           settings.Database.DBPassword,
                                           {}});
    } catch (const DatabaseError& error) {
        return !ServerUnreachable(error);
    }
    return true;
}

}  // namespace

SyslogEngine::SyslogEngine(OwnerLoop& owner, EngineSettings settings, PipelineVariant variant,
                           EngineTimings timings, std::string databaseName)
    : owner_(owner),
      timings_(timings),
      variant_(std::move(variant)),
      settings_(std::move(settings)),
      rowConnections_(settings_.Current()->DbBackup.Connections),
      dataModule_(settings_, std::move(databaseName)),
      reception_(*this, settings_) {
    RegisterEngineDeliveries(deliveries_, settings_, trapAgent_);
    timer_ = owner_.StartTimer(timings_.schedule, TimerMode::kRepeating, [this] { TimerTimer(); });
    timerHouseKeep_ = owner_.StartTimer(timings_.houseKeeping, TimerMode::kRepeating,
                                        [this] { TimerHouseKeepTimer(); });
    timerRepeatSummaries_ = owner_.StartTimer(timings_.repeatSummaries, TimerMode::kRepeating,
                                              [this] { TimerRepeatSummariesTimer(); });
}

SyslogEngine::~SyslogEngine() {
    Shutdown();
    owner_.StopTimer(timerInit_);
    owner_.StopTimer(timerDatabase_);
    owner_.StopTimer(timer_);
    owner_.StopTimer(timerHouseKeep_);
    owner_.StopTimer(timerRepeatSummaries_);
}

void SyslogEngine::PublishSettings(EngineSettings settings) {
    PointDiagnosticLog(settings);
    rowConnections_.SetConnections(settings.DbBackup.Connections);
    settings_.Publish(std::move(settings));
    const auto tell = [this] {
        if (observer_ != nullptr) {
            observer_->SettingsPublished();
        }
    };
    if (owner_.IsOwnerThread()) {
        tell();
        return;
    }
    owner_.Post([alive = std::weak_ptr<const bool>(alive_), tell] {
        if (!alive.expired()) {
            tell();
        }
    });
}

void SyslogEngine::SetObserver(EngineObserver* observer) {
    observer_ = observer;
}

bool SyslogEngine::Bootstrap(bool awaitServer) {
    EngineSettings loaded = *settings_.Current();
    LoadSettings(loaded);
    PublishSettings(std::move(loaded));
    const DatabaseStart start = PrepareDatabase();
    if (start == DatabaseStart::kRefused ||
        (start == DatabaseStart::kUnreachable && !awaitServer)) {
        WriteDiagnostic(catalogue::kProvideValidCredentials, kLevelInfo);
        return false;
    }
    if (start == DatabaseStart::kUnreachable) {
        WriteDiagnostic(kDatabaseAwaitedLine, kLevelWarning);
        databaseAwaited_ = true;
    }
    ArmInitialisation(start);
    return true;
}

SyslogEngine::DatabaseStart SyslogEngine::PrepareDatabase() {
    if (dataModule_.ConnectDatabase(false)) {
        dataModule_.CreateMissingTables();
        WriteDiagnostic(catalogue::kApplicationStarts, kLevelInfo);
        return DatabaseStart::kReady;
    }
    if (dataModule_.ConnectDatabase(true)) {
        dataModule_.CreateDatabase();
        WriteDiagnostic(catalogue::kApplicationStarts, kLevelInfo);
        return DatabaseStart::kCreated;
    }
    return dataModule_.ServerUnreachable() && !dataModule_.CredentialsRefused()
               ? DatabaseStart::kUnreachable
               : DatabaseStart::kRefused;
}

void SyslogEngine::ArmInitialisation(DatabaseStart start) {
    const std::chrono::milliseconds delay =
        start == DatabaseStart::kCreated ? timings_.initAfterNewDatabase : timings_.init;
    // Repeating until it succeeds once: a failed initialisation runs again at the next tick.
    timerInit_ = owner_.StartTimer(delay, TimerMode::kRepeating, [this] { TimerInitTimer(); });
}

void SyslogEngine::PrepareReception() {
    const SettingsSnapshot settings = settings_.Current();
    if (!pool_) {
        auto pool = std::make_unique<TOrlThreadPoolManager>(owner_);
        pool->SetMaxPooled(settings->Alarming.NoConcurrentAlarm);
        pool->SetMaxQueueLength(settings->Alarming.NoQueuingAlarm);
        pool->SetMaxQueuedTime(settings->Alarming.QueningSecond);
        auto dispatcher = std::make_unique<AlarmDispatcher>(
            owner_, *pool, deliveries_, [this] { return configuration_.Snapshot(); });
        dispatcher->SetObserver(observer_);
        dispatcher->InstallHandlers();
        pipeline_ = std::make_unique<MessagePipeline>(
            PipelineParts{settings_, configuration_, *pool, *dispatcher, textFile_, rowConnections_,
                          observer_},
            variant_);
        dispatcher_ = std::move(dispatcher);
        pool_ = std::move(pool);
    }
    if (settings->DbBackup.Enable) {
        rowConnections_.Hold().Start(
            ConnectionParameters{settings->Database.Host, settings->Database.Port,
                                 settings->Database.DBUsername, settings->Database.DBPassword,
                                 dataModule_.DatabaseName()},
            DriverLibraryPath(settings->AppPath), RowSpoolPath(settings->LogFolder),
            static_cast<std::uint64_t>(settings->DbBackup.SpoolLimitMB) * 1024 * 1024);
    }
}

void SyslogEngine::Initialise() {
    const SettingsSnapshot settings = settings_.Current();
    PrepareReception();
    DatabaseConnection& connection = dataModule_.Connection();
    LoadAlarmMethods(connection, configuration_);
    LoadRulesAndContacts(connection, configuration_);
    if (settings->DbBackup.Enable) {
        WarmUpSyslogRowConnections(*settings, rowConnections_);
    }
    if (!settings->System.InitStart) {
        StopReceivers();
    } else if (!reception_.UdpListenerActive() && !reception_.TcpListenerActive()) {
        // Not yet started while the start-up waited for the server.
        StartReceivers();
    }
}

void SyslogEngine::StartReceivers() {
    reception_.StartReceivers();
    if (observer_ != nullptr) {
        observer_->ReceptionSwitched(true);
    }
}

void SyslogEngine::StopReceivers() {
    reception_.StopReceivers();
    if (observer_ != nullptr) {
        observer_->ReceptionSwitched(false);
    }
}

void SyslogEngine::ReloadRulesAndContacts() {
    try {
        LoadRulesAndContacts(dataModule_.Connection(), configuration_);
        if (pipeline_) {
            pipeline_->KeepRepeatWindows(*configuration_.Snapshot());
        }
    } catch (const std::exception& error) {
        WriteDiagnostic(UnhandledErrorLine(error.what()), kLevelError);
    }
}

void SyslogEngine::ReloadContacts() {
    try {
        LoadRuleContacts(dataModule_.Connection(), configuration_);
    } catch (const std::exception& error) {
        WriteDiagnostic(UnhandledErrorLine(error.what()), kLevelError);
    }
}

void SyslogEngine::ReloadAlarmMethods() {
    try {
        LoadAlarmMethods(dataModule_.Connection(), configuration_);
    } catch (const std::exception& error) {
        WriteDiagnostic(UnhandledErrorLine(error.what()), kLevelError);
    }
}

int SyslogEngine::ExecutingWorkItems() const {
    return pool_ ? pool_->ExecutingCount() : 0;
}

void SyslogEngine::CancelWorkItems() {
    if (pool_) {
        pool_->CancelAllWorkItems();
    }
}

void SyslogEngine::Shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    if (reception_.UdpListenerActive() || reception_.TcpListenerActive()) {
        reception_.StopReceivers();
    }
    if (pool_ && pool_->ExecutingCount() > 0) {
        pool_->CancelAllWorkItems();
    }
    // Row jobs waiting for a shared connection end now instead of when one comes back, and the
    // idle connections close.
    rowConnections_.CloseAll();
    // The pool waits for the items still executing; it goes before the dispatcher whose
    // handlers it calls.
    pipeline_.reset();
    pool_.reset();
    dispatcher_.reset();
    // Last: every row job has ended, so no row is held after the rows in memory went to the
    // spool.
    rowConnections_.Hold().Stop();
}

void SyslogEngine::TimerInitTimer() {
    if (databaseAwaited_) {
        // Reception runs without the configuration; the rows are held until the server answers.
        owner_.StopTimer(timerInit_);
        timerInit_ = 0;
        PrepareReception();
        if (settings_.Current()->System.InitStart) {
            StartReceivers();
        }
        timerDatabase_ = owner_.StartTimer(timings_.databaseRetry, TimerMode::kRepeating,
                                           [this] { TimerDatabaseTimer(); });
        return;
    }
    Initialise();
    scheduleArmed_ = true;
    owner_.StopTimer(timerInit_);
    timerInit_ = 0;
}

void SyslogEngine::TimerDatabaseTimer() {
    if (!ServerAnswers(*settings_.Current())) {
        return;
    }
    owner_.StopTimer(timerDatabase_);
    timerDatabase_ = 0;
    const DatabaseStart start = PrepareDatabase();
    if (start == DatabaseStart::kUnreachable) {
        // Gone again before the start-up was through.
        timerDatabase_ = owner_.StartTimer(timings_.databaseRetry, TimerMode::kRepeating,
                                           [this] { TimerDatabaseTimer(); });
        return;
    }
    if (start == DatabaseStart::kRefused) {
        WriteDiagnostic(catalogue::kProvideValidCredentials, kLevelInfo);
        RequestProgramEnd(catalogue::kProvideValidCredentials);
        return;
    }
    databaseAwaited_ = false;
    ArmInitialisation(start);
}

void SyslogEngine::TimerTimer() {
    if (scheduleArmed_) {
        RunScheduleCheck(dataModule_.Connection(), LocalNow(), *this);
    }
}

void SyslogEngine::TimerHouseKeepTimer() {
    HouseKeep(dataModule_.Connection(), *settings_.Current());
}

void SyslogEngine::TimerRepeatSummariesTimer() {
    if (pipeline_) {
        pipeline_->RaiseDueSummaries();
    }
}

void SyslogEngine::OnDatagram(std::string_view datagram, const std::string& senderAddress) {
    pipeline_->OnDatagram(datagram, senderAddress);
}

void SyslogEngine::OnStreamMessage(std::string_view message, const std::string& peerAddress) {
    pipeline_->OnStreamMessage(message, peerAddress);
}

void SyslogEngine::OnBurst(BurstEvent event) {
    pipeline_->OnBurst(event);
}

}  // namespace trevalon
