#include "engine/syslog_engine.h"

#include "engine/alarms/alarm_dispatcher.h"
#include "engine/pool/thread_pool_manager.h"
#include "engine/storage/configuration_loaders.h"
#include "engine/storage/row_connection_caches.h"
#include "engine/storage/thread_db_mysql_execute_for_syslog.h"
#include "foundation/engine_settings.h"

namespace trevalon {
SyslogEngine::SyslogEngine(OwnerLoop& owner, const EngineSettings& settings,
                           ConfigurationCache& cache, PipelineVariant variant)
    : owner_(owner),
      settings_(settings),
      cache_(cache),
      variant_(std::move(variant)),
      reception_(*this, settings) {}

SyslogEngine::~SyslogEngine() {
    Shutdown();
}

void SyslogEngine::Initialise(DatabaseConnection& connection) {
    if (!pool_) {
        auto pool = std::make_unique<TOrlThreadPoolManager>(owner_);
        pool->SetMaxPooled(settings_.Alarming.NoConcurrentAlarm);
        pool->SetMaxQueueLength(settings_.Alarming.NoQueuingAlarm);
        pool->SetMaxQueuedTime(settings_.Alarming.QueningSecond);
        auto dispatcher = std::make_unique<AlarmDispatcher>(owner_, *pool);
        dispatcher->SetConfigurationSource([this] { return cache_.Snapshot(); });
        dispatcher->InstallHandlers();
        pipeline_ =
            std::make_unique<MessagePipeline>(settings_, cache_, *pool, *dispatcher, variant_);
        dispatcher_ = std::move(dispatcher);
        pool_ = std::move(pool);
    }
    LoadAlarmMethods(connection, cache_);
    LoadRulesAndContacts(connection, cache_);
    if (settings_.DbBackup.Enable) {
        WarmUpSyslogRowConnections();
    }
}

void SyslogEngine::StartReceivers() {
    reception_.StartReceivers();
}

void SyslogEngine::StopReceivers() {
    reception_.StopReceivers();
}

void SyslogEngine::Shutdown() {
    if (reception_.UdpListenerActive() || reception_.TcpListenerActive()) {
        reception_.StopReceivers();
    }
    if (pool_ && pool_->ExecutingCount() > 0) {
        pool_->CancelAllWorkItems();
    }
    // Row jobs waiting for a shared connection end now instead of when one comes back, and the
    // idle connections close.
    TheRowConnectionCaches().CloseAll();
    // The pool waits for the items still executing; it goes before the dispatcher whose
    // handlers it calls.
    pipeline_.reset();
    pool_.reset();
    dispatcher_.reset();
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
