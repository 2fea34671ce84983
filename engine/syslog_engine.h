#pragma once

#include <memory>

#include "engine/reception/message_pipeline.h"
#include "engine/reception/reception_schedule.h"
#include "engine/reception/syslog_reception.h"

namespace trevalon {

class AlarmDispatcher;
class ConfigurationCache;
class DatabaseConnection;
class OwnerLoop;
class TOrlThreadPoolManager;
struct EngineSettings;

// The engine both programs run on their owner thread: the work-item pool with the alarm
// dispatcher, the configuration cache, the message pipeline and the two receivers.
class SyslogEngine final : public ScheduledReception, private SyslogMessageSink {
  public:
    SyslogEngine(OwnerLoop& owner, const EngineSettings& settings, ConfigurationCache& cache,
                 PipelineVariant variant);
    ~SyslogEngine() override;
    SyslogEngine(const SyslogEngine&) = delete;
    SyslogEngine& operator=(const SyslogEngine&) = delete;

    // The start-up work of the owner thread: the pool with its limits and the dispatcher's
    // handlers (made once, kept when a later step fails), then the configuration cache read
    // from `connection`. Errors of loading the alarm methods are raised.
    void Initialise(DatabaseConnection& connection);
    bool Initialised() const { return pool_ != nullptr; }

    void StartReceivers() override;
    void StopReceivers() override;
    bool UdpListenerActive() const override { return reception_.UdpListenerActive(); }
    SyslogReception& Reception() { return reception_; }

    // Stops the receivers, cancels what still runs and waits for it, and frees the pool.
    void Shutdown();

    TOrlThreadPoolManager* Pool() { return pool_.get(); }
    AlarmDispatcher* Dispatcher() { return dispatcher_.get(); }

  private:
    void OnDatagram(std::string_view datagram, const std::string& senderAddress) override;
    void OnStreamMessage(std::string_view message, const std::string& peerAddress) override;
    void OnBurst(BurstEvent event) override;

    OwnerLoop& owner_;
    const EngineSettings& settings_;
    ConfigurationCache& cache_;
    PipelineVariant variant_;
    std::unique_ptr<TOrlThreadPoolManager> pool_;
    std::unique_ptr<AlarmDispatcher> dispatcher_;
    std::unique_ptr<MessagePipeline> pipeline_;
    SyslogReception reception_;
};

}  // namespace trevalon
