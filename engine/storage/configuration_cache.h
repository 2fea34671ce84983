#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/engine_settings.h"
#include "foundation/published_value.h"
#include "foundation/syslog_vocabulary.h"

namespace trevalon {

// The six alarm methods, each configured by one row of table alarm_method.
enum class AlarmMethod : int { Email, Sms, SmsByHttp, SysLog, Snmp, Snpp };

inline constexpr int kAlarmMethodCount = 6;
inline constexpr std::array<AlarmMethod, kAlarmMethodCount> kAlarmMethods = {
    AlarmMethod::Email,  AlarmMethod::Sms,  AlarmMethod::SmsByHttp,
    AlarmMethod::SysLog, AlarmMethod::Snmp, AlarmMethod::Snpp,
};

// The `type` text of the method's row: "Email", "SMS", "SMS by HTTP", "SysLog", "SNMP", "SNPP".
std::string_view AlarmMethodType(AlarmMethod method);

// One alarm method as loaded. A method without a row stays disabled with empty texts and zero
// numbers; columns a method does not use stay so too.
struct AlarmMethodSettings {
    bool enable = false;
    std::string ip;  // host without "http://", or for "SMS by HTTP" a URL with a scheme
    int port = 0;
    bool authenticate = false;
    std::string username;
    std::string password;
    std::string smtp_mail_agent;
    std::string smtp_from_address;
    std::string sms_oa;
    int sms_version = 0;
    std::string sms_system_type;
    int sms_ton = 0;
    int sms_npi = 0;
    int sms_dest_ton = 0;
    int sms_dest_npi = 0;
    int sms_orig_ton = 0;
    int sms_orig_npi = 0;
    std::string url_method;
    std::string proxy_ip;
    int proxy_port = 0;
    std::string proxy_username;
    std::string proxy_password;
    std::string field_msisdn;
    std::string field_message;
    int snmp_trap_port = 0;
    std::string snmp_local_engine_id;
    std::string snmp_localhost;
    int timeout = 0;
    int read_timeout = 0;
    int retry = 0;
};

// A rule flag counts as set only when its text is exactly "y".
inline bool FlagSet(std::string_view flag) {
    return flag == "y";
}

// One row of table filtering. Flags keep the texts as read; NULL reads as an empty text.
struct FilterRule {
    int id = 0;
    std::string ip;
    std::array<std::string, kFacilityCount> facility;  // by wire code: facility_sfKernel ...
    std::array<std::string, kSeverityCount> severity;  // by wire code: severity_slEmergency ...
    std::string alarm_email;
    std::string alarm_smpp;
    std::string alarm_httpsms;
    std::string alarm_syslog;
    std::string alarm_snmp;
    std::string alarm_snpp;
    int alarm_snmp_version = 0;
    std::string alarm_snmp_trap_oid;
    std::string alarm_snmp_trap_community;
    std::string alarm_snmp_trap_enterprise;
    std::string alarm_snmp_trap_username;
    std::string alarm_snmp_trap_password;
    // Seconds in which further matches from one source raise no alarms of their own but are
    // summed up in one; 0 alarms every match.
    int alarm_repeat_seconds = 0;

    // The flag text of a facility or severity; empty for a value outside the enumeration.
    const std::string& FacilityFlag(TIdSyslogFacility value) const;
    const std::string& SeverityFlag(TIdSyslogSeverity value) const;
};

// One row of table filtering_contact with its contact person. A row whose person does not
// exist stays empty (filtering_id 0) and belongs to no rule.
struct ContactEntry {
    int filtering_id = 0;
    std::string name;
    std::string email;
    std::string sms;
    std::string pager_id;
};

// Everything the receivers and the alarm code read from the configuration tables, as one
// immutable whole.
struct ConfigurationSnapshot {
    std::array<AlarmMethodSettings, kAlarmMethodCount> AlarmMethods;
    // "name=value" per row of alarm_method_extra_fields; only for an enabled "SMS by HTTP"
    // whose url_method is exactly "Post".
    std::vector<std::string> HttpSmsExtraFields;
    bool RulesExist = false;
    std::vector<FilterRule> Rules;  // in the order the server returned them
    std::vector<ContactEntry> Contacts;

    const AlarmMethodSettings& Method(AlarmMethod method) const {
        return AlarmMethods[static_cast<std::size_t>(method)];
    }
    AlarmMethodSettings& Method(AlarmMethod method) {
        return AlarmMethods[static_cast<std::size_t>(method)];
    }
};

// The configuration cache. Readers on any thread take one snapshot per message and keep using
// it; a reload builds its new content aside and replaces the snapshot in one step, so no reader
// ever sees a half-loaded array or a record being overwritten.
class ConfigurationCache {
  public:
    std::shared_ptr<const ConfigurationSnapshot> Snapshot() const { return published_.Current(); }

    // Publishes a copy of the current content as changed by `change`; writers are serialised.
    template <class Change>
    void Update(Change&& change) {
        published_.Update(std::forward<Change>(change));
    }

  private:
    PublishedValue<ConfigurationSnapshot> published_;
};

}  // namespace trevalon
