#include "engine/reception/message_pipeline.h"

#include <exception>
#include <map>

#include "engine/alarms/alarm_dispatcher.h"
#include "engine/pool/thread_pool_manager.h"
#include "engine/reception/rule_matching.h"
#include "engine/reception/syslog_reader.h"
#include "engine/storage/configuration_cache.h"
#include "engine/storage/syslog_text_file.h"
#include "engine/storage/thread_db_mysql_execute_for_syslog.h"
#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "foundation/engine_settings.h"

namespace trevalon {
namespace {

bool IsSet(const std::string& flag) {
    return flag == "y";
}

// What a matched rule asks for, before masking, with the rule's repeat limit.
struct Matched {
    RuleAlarms alarms;
    int repeatSeconds = 0;
};

std::string_view TrimmedSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Runs one step; what it raises is logged under the step's code, if it has one.
template <typename Step>
void Guarded(std::string_view code, Step&& step) {
    try {
        step();
    } catch (const std::exception& error) {
        if (!code.empty()) {
            WriteDiagnostic(WithErrorText(code, error.what()), kLevelError);
        }
    } catch (...) {
        if (!code.empty()) {
            WriteDiagnostic(WithErrorText(code, "unknown error"), kLevelError);
        }
    }
}

Matched MatchRule(const ConfigurationSnapshot& configuration, const SyslogRecord& record) {
    Matched matched;
    if (!configuration.RulesExist) {
        return matched;
    }
    const FilterRule rule =
        FindMatchingRule(configuration, record.Source, record.Facility, record.Severity);
    if (!RuleAcceptsMessage(rule, record.Facility, record.Severity)) {
        return matched;
    }
    RuleAlarms& alarms = matched.alarms;
    alarms.ruleId = rule.id;
    alarms.email = IsSet(rule.alarm_email);
    alarms.smpp = IsSet(rule.alarm_smpp);
    alarms.httpSms = IsSet(rule.alarm_httpsms);
    alarms.forward = IsSet(rule.alarm_syslog);
    alarms.snmp = IsSet(rule.alarm_snmp);
    alarms.snpp = IsSet(rule.alarm_snpp);
    alarms.snmpVersion = rule.alarm_snmp_version;
    alarms.snmpTrapOid = rule.alarm_snmp_trap_oid;
    alarms.snmpCommunity = rule.alarm_snmp_trap_community;
    alarms.snmpEnterprise = rule.alarm_snmp_trap_enterprise;
    alarms.snmpUsername = rule.alarm_snmp_trap_username;
    alarms.snmpPassword = rule.alarm_snmp_trap_password;
    matched.repeatSeconds = rule.alarm_repeat_seconds;
    return matched;
}

void MaskDisabledMethods(const ConfigurationSnapshot& configuration, RuleAlarms& alarms) {
    const auto enabled = [&](AlarmMethod method) { return configuration.Method(method).enable; };
    alarms.email = alarms.email && enabled(AlarmMethod::Email);
    alarms.smpp = alarms.smpp && enabled(AlarmMethod::Sms);
    alarms.httpSms = alarms.httpSms && enabled(AlarmMethod::SmsByHttp);
    alarms.forward = alarms.forward && enabled(AlarmMethod::SysLog);
    alarms.snmp = alarms.snmp && enabled(AlarmMethod::Snmp);
    alarms.snpp = alarms.snpp && enabled(AlarmMethod::Snpp);
}

bool ForwardableSource(const std::string& source, const std::string& localIp) {
    return source != "localhost" && source != "127.0.0.1" && source != localIp;
}

}  // namespace

PipelineVariant PipelineVariant::Service() {
    PipelineVariant variant;
    variant.udpCodes = {catalogue::kPlaceUdpPipeline1,
                        catalogue::kPlaceUdpPipeline2,
                        {},
                        catalogue::kPlaceUdpPipeline3,
                        catalogue::kPlaceUdpPipeline4};
    variant.tcpCodes = {catalogue::kPlaceTcpReceiver1,
                        catalogue::kPlaceTcpReceiver2,
                        {},
                        catalogue::kPlaceTcpReceiver3,
                        catalogue::kPlaceTcpReceiver4};
    return variant;
}

PipelineVariant PipelineVariant::Manager() {
    PipelineVariant variant = Service();
    variant.escaping = ContentEscaping::kManager;
    variant.udpCodes = {catalogue::kPlaceUdpPipeline1, catalogue::kPlaceUdpPipeline2,
                        catalogue::kPlaceUdpPipeline3, catalogue::kPlaceUdpPipeline4,
                        catalogue::kPlaceUdpPipeline5};
    return variant;
}

std::string AlarmText(const SyslogRecord& record) {
    std::string text = record.Source;
    text.append(" ").append(record.FacilityName);
    text.append(" ").append(record.SeverityName);
    text.append(" ").append(record.Content);
    return text;
}

MessagePipeline::MessagePipeline(PipelineParts parts, PipelineVariant variant)
    : parts_(parts), variant_(std::move(variant)) {}

void MessagePipeline::OnDatagram(std::string_view datagram, const std::string& senderAddress) {
    const SettingsSnapshot settings = parts_.settings.Current();
    const SyslogReading reading =
        ReadSyslogMessage(datagram.substr(0, kMaxDatagramText), senderAddress);
    std::string source =
        settings->System.SysLogMessageIPType == 1 ? reading.HostName : senderAddress;
    if (TrimmedSpaces(source).empty()) {
        source = senderAddress;
    }
    Process(*settings, MakeSyslogRecord(reading, std::move(source)), variant_.udpCodes);
}

void MessagePipeline::OnStreamMessage(std::string_view message, const std::string& peerAddress) {
    Process(*parts_.settings.Current(),
            MakeSyslogRecord(ReadSyslogMessage(message, ""), peerAddress), variant_.tcpCodes);
}

void MessagePipeline::OnBurst(BurstEvent event) {
    switch (event) {
        case BurstEvent::kBegins:
            parts_.textFile.Hold();
            return;
        case BurstEvent::kBatchDone:
            parts_.textFile.Flush();
            return;
        case BurstEvent::kEnds:
            parts_.textFile.Release();
            return;
    }
}

void MessagePipeline::Process(const EngineSettings& settings, SyslogRecord record,
                              const PipelinePlaceCodes& codes) {
    const std::shared_ptr<const ConfigurationSnapshot> configuration =
        parts_.configuration.Snapshot();
    Matched matched;
    Guarded(codes.rule, [&] { matched = MatchRule(*configuration, record); });
    RuleAlarms& alarms = matched.alarms;
    MaskDisabledMethods(*configuration, alarms);
    alarms.forward = alarms.forward && ForwardableSource(record.Source, settings.LocalIP);

    if (settings.FileBackup.Enable) {
        parts_.textFile.Append(settings, record);
    }
    if (settings.DbBackup.Enable) {
        Guarded(codes.row, [&] {
            auto job = MakeSyslogRowJob(settings, parts_.rowConnections, record, variant_.escaping);
            // While rows are held, this thread adds the row to them, so that they keep the order
            // of arrival that parallel workers would not.
            if (!job->JoinedHeldRowsOnArrival()) {
                parts_.pool.QueueWorkItem(std::move(job));
            }
        });
    }

    if (alarms.Any()) {
        alarms.timeStamp = record.TimeStamp;
        alarms.facilityName = record.FacilityName;
        alarms.severityName = record.SeverityName;
        alarms.text = AlarmText(record);
        bool raise = true;
        if (matched.repeatSeconds > 0) {
            Guarded(codes.rule, [&] {
                AlarmRepeatWindows::Admission admission =
                    repeats_.Admit(record.Source, matched.repeatSeconds, alarms);
                raise = admission.raise;
                Raise(admission.summaries, codes);
            });
        }
        if (raise) {
            Raise(alarms, codes);
        }
    }
    if (parts_.observer != nullptr) {
        Guarded({}, [&] { parts_.observer->MessageAccepted(record); });
    }
}

void MessagePipeline::RaiseDueSummaries() {
    Raise(repeats_.TakeDue(), variant_.udpCodes);
}

void MessagePipeline::KeepRepeatWindows(const ConfigurationSnapshot& configuration) {
    std::map<int, int> limitByRule;
    for (const FilterRule& rule : configuration.Rules) {
        limitByRule.emplace(rule.id, rule.alarm_repeat_seconds);
    }
    Raise(repeats_.KeepRules(limitByRule), variant_.udpCodes);
}

void MessagePipeline::Raise(const std::vector<RuleAlarms>& summaries,
                            const PipelinePlaceCodes& codes) {
    for (const RuleAlarms& summary : summaries) {
        Raise(summary, codes);
    }
}

void MessagePipeline::Raise(const RuleAlarms& alarms, const PipelinePlaceCodes& codes) {
    if (alarms.forward) {
        Guarded(codes.forward, [&] {
            AlarmJob job;
            job.Method = "SysLog";
            job.TimeStamp = alarms.timeStamp;
            job.Text = alarms.text;
            job.SeverityName = alarms.severityName;
            job.FacilityName = alarms.facilityName;
            job.Recipient = parts_.configuration.Snapshot()->Method(AlarmMethod::SysLog).ip;
            parts_.dispatcher.DispatchAlarm(job);
        });
    }
    if (alarms.snmp) {
        Guarded(codes.snmp, [&] {
            AlarmJob job;
            job.Method = "SNMP";
            job.TimeStamp = alarms.timeStamp;
            job.Text = alarms.text;
            job.SnmpVersion = alarms.snmpVersion;
            job.SnmpTrapOid = alarms.snmpTrapOid;
            job.SnmpCommunity = alarms.snmpCommunity;
            job.SnmpEnterprise = alarms.snmpEnterprise;
            job.SnmpUsername = alarms.snmpUsername;
            job.SnmpPassword = alarms.snmpPassword;
            parts_.dispatcher.DispatchAlarm(job);
        });
    }
    Guarded(codes.contacts, [&] {
        parts_.dispatcher.FanOutContacts(alarms.ruleId, alarms.timeStamp, alarms.snpp,
                                         alarms.httpSms, alarms.smpp, alarms.email, alarms.text);
    });
}

}  // namespace trevalon
