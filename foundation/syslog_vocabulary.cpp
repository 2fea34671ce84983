#include "foundation/syslog_vocabulary.h"

namespace trevalon {
namespace {

struct FacilityTerms {
    std::string_view name;
    std::string_view ruleColumn;
    std::string_view colourKey;
};

// Indexed by wire code.
constexpr std::array<FacilityTerms, kFacilityCount> kFacilityTerms = {{
    {"Kernel", "facility_sfKernel", "Kernel"},
    {"User Level", "facility_sfUserLevel", "UserLevel"},
    {"Mail System", "facility_sfMailSystem", "MailSystem"},
    {"System Daemon", "facility_sfSystemDaemon", "SystemDaemon"},
    {"Security One", "facility_sfSecurityOne", "SecurityOne"},
    {"Syslogd", "facility_sfSysLogInternal", "Syslogd"},
    {"LPR", "facility_sfLPR", "LPR"},
    {"NNTP", "facility_sfNNTP", "NNTP"},
    {"UUCP", "facility_sfUUCP", "UUCP"},
    {"Clock Daemon One", "facility_sfClockDaemonOne", "ClockDaemonOne"},
    {"Security Two", "facility_sfSecurityTwo", "SecurityTwo"},
    {"FTP Daemon", "facility_sfFTPDaemon", "FTPDaemon"},
    {"NTP", "facility_sfNTP", "NTP"},
    {"Log Audit", "facility_sfLogAudit", "LogAudit"},
    {"Log Alert", "facility_sfLogAlert", "LogAlert"},
    {"Clock Daemon Two", "facility_sfClockDaemonTwo", "ClockDaemonTwo"},
    {"Local Use Zero", "facility_sfLocalUseZero", "LocalUseZero"},
    {"Local Use One", "facility_sfLocalUseOne", "LocalUseOne"},
    {"Local Use Two", "facility_sfLocalUseTwo", "LocalUseTwo"},
    {"Local Use Three", "facility_sfLocalUseThree", "LocalUseThree"},
    {"Local Use Four", "facility_sfLocalUseFour", "LocalUseFour"},
    {"Local Use Five", "facility_sfLocalUseFive", "LocalUseFive"},
    {"Local Use Six", "facility_sfLocalUseSix", "LocalUseSix"},
    {"Local Use Seven", "facility_sfLocalUseSeven", "LocalUseSeven"},
}};

struct SeverityTerms {
    std::string_view name;
    std::string_view ruleColumn;
};

// Indexed by wire code.
constexpr std::array<SeverityTerms, kSeverityCount> kSeverityTerms = {{
    {"Emergency", "severity_slEmergency"},
    {"Alert", "severity_slAlert"},
    {"Critical", "severity_slCritical"},
    {"Error", "severity_slError"},
    {"Warning", "severity_slWarning"},
    {"Notice", "severity_slNotice"},
    {"Informational", "severity_slInformational"},
    {"Debug", "severity_slDebug"},
}};

// The declared order swaps 8 and 9 against the wire, so the mapping is its own inverse.
constexpr int SwapUucpAndClockDaemonOne(int value) {
    if (value == 8) {
        return 9;
    }
    if (value == 9) {
        return 8;
    }
    return value;
}

constexpr bool WireOrderListMatchesSwap() {
    for (int code = 0; code < kFacilityCount; ++code) {
        const auto facility = kFacilitiesInWireOrder[static_cast<std::size_t>(code)];
        if (SwapUucpAndClockDaemonOne(static_cast<int>(facility)) != code) {
            return false;
        }
    }
    return true;
}
static_assert(WireOrderListMatchesSwap());

const FacilityTerms* TermsOf(TIdSyslogFacility facility) {
    const int code = FacilityToWireCode(facility);
    return code < 0 ? nullptr : &kFacilityTerms[static_cast<std::size_t>(code)];
}

const SeverityTerms* TermsOf(TIdSyslogSeverity severity) {
    const int code = SeverityToWireCode(severity);
    return code < 0 ? nullptr : &kSeverityTerms[static_cast<std::size_t>(code)];
}

}  // namespace

int FacilityToWireCode(TIdSyslogFacility facility) {
    const int ordinal = static_cast<int>(facility);
    if (ordinal < 0 || ordinal >= kFacilityCount) {
        return -1;
    }
    return SwapUucpAndClockDaemonOne(ordinal);
}

std::optional<TIdSyslogFacility> WireCodeToFacility(int code) {
    if (code < 0 || code >= kFacilityCount) {
        return std::nullopt;
    }
    return kFacilitiesInWireOrder[static_cast<std::size_t>(code)];
}

int SeverityToWireCode(TIdSyslogSeverity severity) {
    const int ordinal = static_cast<int>(severity);
    return ordinal < 0 || ordinal >= kSeverityCount ? -1 : ordinal;
}

std::optional<TIdSyslogSeverity> WireCodeToSeverity(int code) {
    if (code < 0 || code >= kSeverityCount) {
        return std::nullopt;
    }
    return kSeveritiesInWireOrder[static_cast<std::size_t>(code)];
}

void FacilityToName(TIdSyslogFacility facility, std::string& name) {
    if (const FacilityTerms* terms = TermsOf(facility)) {
        name = terms->name;
    }
}

void SeverityToName(TIdSyslogSeverity severity, std::string& name) {
    if (const SeverityTerms* terms = TermsOf(severity)) {
        name = terms->name;
    }
}

TIdSyslogFacility NameToFacility(std::string_view name) {
    for (std::size_t code = 0; code < kFacilityTerms.size(); ++code) {
        if (kFacilityTerms[code].name == name) {
            return kFacilitiesInWireOrder[code];
        }
    }
    return sfKernel;
}

TIdSyslogSeverity NameToSeverity(std::string_view name) {
    for (std::size_t code = 0; code < kSeverityTerms.size(); ++code) {
        if (kSeverityTerms[code].name == name) {
            return kSeveritiesInWireOrder[code];
        }
    }
    return slEmergency;
}

std::string FacilityRuleColumn(TIdSyslogFacility facility) {
    const FacilityTerms* terms = TermsOf(facility);
    return terms ? std::string(terms->ruleColumn) : std::string();
}

std::string SeverityRuleColumn(TIdSyslogSeverity severity) {
    const SeverityTerms* terms = TermsOf(severity);
    return terms ? std::string(terms->ruleColumn) : std::string();
}

std::string FacilityColourKey(TIdSyslogFacility facility) {
    const FacilityTerms* terms = TermsOf(facility);
    return terms ? std::string(terms->colourKey) : std::string();
}

}  // namespace trevalon
