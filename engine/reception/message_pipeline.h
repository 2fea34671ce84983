#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/alarms/alarm_repeat_windows.h"
#include "engine/alarms/rule_alarms.h"

#include "engine/reception/syslog_reception.h"
#include "engine/storage/syslog_escaping.h"
#include "foundation/engine_observer.h"
#include "foundation/engine_settings.h"
#include "foundation/syslog_vocabulary.h"

namespace trevalon {

class AlarmDispatcher;
class ConfigurationCache;
struct ConfigurationSnapshot;
class RowConnectionCaches;
class SyslogTextFile;
class TOrlThreadPoolManager;

// The engine's parts a pipeline works with; each must outlive it.
struct PipelineParts {
    const PublishedSettings& settings;
    ConfigurationCache& configuration;
    TOrlThreadPoolManager& pool;
    AlarmDispatcher& dispatcher;
    SyslogTextFile& textFile;
    RowConnectionCaches& rowConnections;
    // Hears of every message; may be null.
    EngineObserver* observer;
};

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

    static PipelineVariant Service();
    // The manager's escaping, and a code of its own for the forward step of UDP messages.
    static PipelineVariant Manager();
};

// "<Source> <FacilityName> <SeverityName> <Content>"
std::string AlarmText(const SyslogRecord& record);

// The road of one message: reading, rule, masking, text file, row job, alarms (held back within
// the rule's repeat limit). Runs on the receiving threads; takes one settings snapshot and one
// configuration snapshot per message.
class MessagePipeline final : public SyslogMessageSink {
  public:
    // At most this much of a datagram is read (RFC 3164's message size).
    static constexpr std::size_t kMaxDatagramText = 1024;

    MessagePipeline(PipelineParts parts, PipelineVariant variant);

    void OnDatagram(std::string_view datagram, const std::string& senderAddress) override;
    void OnStreamMessage(std::string_view message, const std::string& peerAddress) override;
    void OnBurst(BurstEvent event) override;

    // Owner thread, about once a second: the summaries of the repeat windows that ran out.
    void RaiseDueSummaries();
    // Owner thread, after the rules were reloaded: windows of rules whose repeat limit changed
    // or that are gone close with their summaries; the others stay open.
    void KeepRepeatWindows(const ConfigurationSnapshot& configuration);

  private:
    void Process(const EngineSettings& settings, SyslogRecord record,
                 const PipelinePlaceCodes& codes);
    void Raise(const std::vector<RuleAlarms>& summaries, const PipelinePlaceCodes& codes);
    void Raise(const RuleAlarms& alarms, const PipelinePlaceCodes& codes);

    PipelineParts parts_;
    PipelineVariant variant_;
    AlarmRepeatWindows repeats_;
};

}  // namespace trevalon
