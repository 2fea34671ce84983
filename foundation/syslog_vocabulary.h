#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/engine_settings.h"

namespace trevalon {

// The facilities of a syslog message. Declared order differs from the wire codes at 8 and 9
// (sfClockDaemonOne is declared before sfUUCP); nothing may rely on the ordinal, every
// conversion to or from the wire goes through FacilityToWireCode / WireCodeToFacility.
enum TIdSyslogFacility : int {
    sfKernel,
    sfUserLevel,
    sfMailSystem,
    sfSystemDaemon,
    sfSecurityOne,
    sfSysLogInternal,
    sfLPR,
    sfNNTP,
    sfClockDaemonOne,
    sfUUCP,
    sfSecurityTwo,
    sfFTPDaemon,
    sfNTP,
    sfLogAudit,
    sfLogAlert,
    sfClockDaemonTwo,
    sfLocalUseZero,
    sfLocalUseOne,
    sfLocalUseTwo,
    sfLocalUseThree,
    sfLocalUseFour,
    sfLocalUseFive,
    sfLocalUseSix,
    sfLocalUseSeven,
};

// The severities; declared order equals the wire code.
enum TIdSyslogSeverity : int {
    slEmergency,
    slAlert,
    slCritical,
    slError,
    slWarning,
    slNotice,
    slInformational,
    slDebug,
};

inline constexpr int kSeverityCount = 8;

// Every facility, indexed by wire code: the order of rule columns, colour keys and name lists.
inline constexpr std::array<TIdSyslogFacility, kFacilityCount> kFacilitiesInWireOrder = {
    sfKernel,         sfUserLevel,    sfMailSystem,  sfSystemDaemon,  sfSecurityOne,
    sfSysLogInternal, sfLPR,          sfNNTP,        sfUUCP,          sfClockDaemonOne,
    sfSecurityTwo,    sfFTPDaemon,    sfNTP,         sfLogAudit,      sfLogAlert,
    sfClockDaemonTwo, sfLocalUseZero, sfLocalUseOne, sfLocalUseTwo,   sfLocalUseThree,
    sfLocalUseFour,   sfLocalUseFive, sfLocalUseSix, sfLocalUseSeven,
};

// Every severity, indexed by wire code.
inline constexpr std::array<TIdSyslogSeverity, kSeverityCount> kSeveritiesInWireOrder = {
    slEmergency, slAlert, slCritical, slError, slWarning, slNotice, slInformational, slDebug,
};

// Wire code (PRI / 8) of a facility; -1 for a value outside the enumeration.
int FacilityToWireCode(TIdSyslogFacility facility);
// Facility of a wire code; none outside 0..23.
std::optional<TIdSyslogFacility> WireCodeToFacility(int code);

// Wire code (PRI % 8) of a severity; -1 for a value outside the enumeration.
int SeverityToWireCode(TIdSyslogSeverity severity);
// Severity of a wire code; none outside 0..7.
std::optional<TIdSyslogSeverity> WireCodeToSeverity(int code);

// Display names ("Kernel", "Emergency", ...). A value outside the enumeration leaves `name` as it
// was, which is why the name is an out-parameter.
void FacilityToName(TIdSyslogFacility facility, std::string& name);
void SeverityToName(TIdSyslogSeverity severity, std::string& name);

// Exact, case-sensitive reverse lookup; an unknown name yields sfKernel / slEmergency.
TIdSyslogFacility NameToFacility(std::string_view name);
TIdSyslogSeverity NameToSeverity(std::string_view name);

// Column of table `filtering` holding a rule's flag ("facility_sfKernel", "severity_slEmergency");
// empty for a value outside the enumeration.
std::string FacilityRuleColumn(TIdSyslogFacility facility);
std::string SeverityRuleColumn(TIdSyslogSeverity severity);

// Key of section Message of SysInit.ini that holds the facility's colour ("Kernel", "UserLevel");
// empty for a value outside the enumeration.
std::string FacilityColourKey(TIdSyslogFacility facility);

// One received message as the engine handles it; built once by a receiver, then only copied.
struct SyslogRecord {
    std::string TimeStamp;  // "yyyy-MM-dd HH:mm:ss"
    std::string Source;
    TIdSyslogFacility Facility = sfKernel;
    TIdSyslogSeverity Severity = slEmergency;
    std::string FacilityName;
    std::string SeverityName;
    std::string Content;
};

}  // namespace trevalon
