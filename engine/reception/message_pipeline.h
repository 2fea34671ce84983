#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "engine/reception/syslog_reception.h"
#include "engine/storage/syslog_escaping.h"
#include "foundation/syslog_vocabulary.h"

namespace trevalon {

class AlarmDispatcher;
class ConfigurationCache;
class TOrlThreadPoolManager;
struct EngineSettings;

// The place codes a pipeline logs its caught errors under; an empty code means the step logs
// nothing of its own.
struct PipelinePlaceCodes {
    std::string_view rule;
    std::string_view row;
    std::string_view forward;
    std::string_view snmp;
    std::string_view contacts;
};

// How the two programs differ in running the pipeline.
struct PipelineVariant {
    ContentEscaping escaping = ContentEscaping::kService;
    PipelinePlaceCodes udpCodes;
    PipelinePlaceCodes tcpCodes;
    // The manager's live message list; called after the message's alarms were handed over.
    std::function<void(const SyslogRecord&)> onRecord;

    static PipelineVariant Service();
};

// "<Source> <FacilityName> <SeverityName> <Content>"
std::string AlarmText(const SyslogRecord& record);

// The road of one message: reading, rule, masking, text file, row job, alarms. Runs on the
// receiving threads; reads the settings and one configuration snapshot per message.
class MessagePipeline final : public SyslogMessageSink {
  public:
    // At most this much of a datagram is read (RFC 3164's message size).
    static constexpr std::size_t kMaxDatagramText = 1024;

    MessagePipeline(const EngineSettings& settings, ConfigurationCache& cache,
                    TOrlThreadPoolManager& pool, AlarmDispatcher& dispatcher,
                    PipelineVariant variant);

    void OnDatagram(std::string_view datagram, const std::string& senderAddress) override;
    void OnStreamMessage(std::string_view message, const std::string& peerAddress) override;
    void OnBurst(BurstEvent event) override;

  private:
    void Process(SyslogRecord record, const PipelinePlaceCodes& codes);

    const EngineSettings& settings_;
    ConfigurationCache& cache_;
    TOrlThreadPoolManager& pool_;
    AlarmDispatcher& dispatcher_;
    PipelineVariant variant_;
};

}  // namespace trevalon
