#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "engine/alarms/delivery_factories.h"
#include "engine/reception/message_pipeline.h"
#include "engine/reception/reception_schedule.h"
#include "engine/reception/syslog_reception.h"
#include "engine/snmp/snmp_trap_agent.h"
#include "engine/storage/configuration_cache.h"
#include "engine/storage/dm_kestrine.h"
#include "engine/storage/row_connection_caches.h"
#include "engine/storage/syslog_text_file.h"
#include "foundation/engine_observer.h"
#include "foundation/engine_settings.h"
#include "foundation/owner_loop.h"

namespace trevalon {

class AlarmDispatcher;
class TOrlThreadPoolManager;

// The intervals of the engine's timers; tests shorten them.
struct EngineTimings {
    std::chrono::milliseconds init{4000};
    std::chrono::milliseconds initAfterNewDatabase{3000};
    std::chrono::milliseconds schedule{60000};
    std::chrono::milliseconds houseKeeping{3600000};
    // How often the repeat windows of the rules are looked at for summaries that are due.
    std::chrono::milliseconds repeatSummaries{1000};
    // How often a start-up that found no server asks it again.
    std::chrono::milliseconds databaseRetry{5000};
};

// The engine both programs run: it owns every part (settings, configuration cache, delivery
// registry, SNMP agent, row connections, text file, data module, work-item pool, dispatcher,
// pipeline and receivers) and the start-up steps the programs share. Its operations and timers
// run on the owner thread; messages arrive on the receivers' threads.
class SyslogEngine final : public ScheduledReception, private SyslogMessageSink {
  public:
    // `settings` as PrepareInstallation left them; `databaseName` is the system's database.
    // The schedule and housekeeping timers start now.
    SyslogEngine(OwnerLoop& owner, EngineSettings settings, PipelineVariant variant,
                 EngineTimings timings = {},
                 std::string databaseName = std::string(kDefaultDatabaseName));
    ~SyslogEngine() override;
    SyslogEngine(const SyslogEngine&) = delete;
    SyslogEngine& operator=(const SyslogEngine&) = delete;

    // Any thread.
    SettingsSnapshot Settings() const { return settings_.Current(); }
    // Any thread: every part works with `settings` from its next message or job on; the
    // diagnostic log follows them, and so do row connections opened from now on. Receivers and
    // pool limits change when they are started or made again. The observer hears of it on the
    // owner thread.
    void PublishSettings(EngineSettings settings);
    // Who hears of messages, alarm rows and errors to show; before Bootstrap. It must outlive the
    // engine.
    void SetObserver(EngineObserver* observer);

    // Start-up: reads SysInit.ini into the settings and publishes them, then makes the database
    // ready (the tables that are missing, or the whole database when it does not exist) and
    // arms the initialisation, which runs after a few seconds and again at every tick until it
    // succeeded once. False, after logging why, when no connection could be made.
    // With `awaitServer`, a server that cannot be reached (not one that refuses the account) does
    // not fail the start-up: the initialisation then starts reception without the database, rows
    // are held, and the database start-up and the configuration follow when the server answers.
    bool Bootstrap(bool awaitServer = false);
    // After a false Bootstrap: whether the server refused the account, which only a person can
    // mend.
    bool CredentialsRefused() const { return dataModule_.CredentialsRefused(); }

    // The initialisation's work: the pool with its limits and the dispatcher's handlers (made
    // once, kept when a later step fails), then the configuration read from the database, then
    // the receivers started or stopped as InitStart says. Errors of loading the alarm methods
    // are raised.
    void Initialise();
    bool Initialised() const { return pool_ != nullptr; }
    // Whether the initialisation succeeded, so that the schedule check runs.
    bool ScheduleArmed() const { return scheduleArmed_; }
    // The operator's Start and Stop: a stopped reception stays stopped whatever the schedule
    // says, until it is armed again.
    void ArmSchedule(bool armed) { scheduleArmed_ = armed; }

    // Owner thread, after the rules or contacts were saved: what was read takes over from the
    // next message on, in one step. The receivers keep running, so nothing sent meanwhile is
    // lost. A failure is logged and the configuration in use stays. Repeat windows stay open for
    // the rules whose limit did not change; the others send their summaries now.
    void ReloadRulesAndContacts();
    void ReloadContacts();
    // The same for the alarm methods and the HTTP SMS extra fields, after they were saved.
    void ReloadAlarmMethods();

    void StartReceivers() override;
    void StopReceivers() override;
    bool UdpListenerActive() const override { return reception_.UdpListenerActive(); }
    SyslogReception& Reception() { return reception_; }

    // Work items of the pool inside their run (deliveries and row inserts).
    int ExecutingWorkItems() const;
    // Asks the pool to end what waits and what runs, without waiting for it: a window can show
    // that it is closing meanwhile.
    void CancelWorkItems();

    // Stops the receivers, cancels what still runs and waits for it, and frees the pool. Once;
    // the destructor does it too.
    void Shutdown();

    TDMKestrine& DataModule() { return dataModule_; }
    ConfigurationCache& Configuration() { return configuration_; }

  private:
    void OnDatagram(std::string_view datagram, const std::string& senderAddress) override;
    void OnStreamMessage(std::string_view message, const std::string& peerAddress) override;
    void OnBurst(BurstEvent event) override;

    enum class DatabaseStart { kReady, kCreated, kUnreachable, kRefused };
    // Connects the data module and makes the database and its tables ready.
    DatabaseStart PrepareDatabase();
    void ArmInitialisation(DatabaseStart start);
    // The pool, the dispatcher and the pipeline (once), and the hold of rows for outages.
    void PrepareReception();
    void TimerDatabaseTimer();
    void TimerInitTimer();
    void TimerTimer();
    void TimerHouseKeepTimer();
    void TimerRepeatSummariesTimer();

    OwnerLoop& owner_;
    EngineTimings timings_;
    PipelineVariant variant_;
    EngineObserver* observer_ = nullptr;
    PublishedSettings settings_;
    ConfigurationCache configuration_;
    SnmpTrapAgent trapAgent_;
    DeliveryFactories deliveries_;
    RowConnectionCaches rowConnections_;
    SyslogTextFile textFile_;
    TDMKestrine dataModule_;
    std::unique_ptr<TOrlThreadPoolManager> pool_;
    std::unique_ptr<AlarmDispatcher> dispatcher_;
    std::unique_ptr<MessagePipeline> pipeline_;
    SyslogReception reception_;
    TimerId timerInit_ = 0;
    TimerId timer_ = 0;
    TimerId timerHouseKeep_ = 0;
    TimerId timerRepeatSummaries_ = 0;
    TimerId timerDatabase_ = 0;
    bool scheduleArmed_ = false;
    bool databaseAwaited_ = false;
    bool shutDown_ = false;
    // Tasks posted to the owner loop run only while the engine exists.
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

}  // namespace trevalon
