#include "foundation/syslog_vocabulary.h"

#include <gtest/gtest.h>

#include <string>

namespace trevalon {
namespace {

struct FacilityRow {
    TIdSyslogFacility facility;
    const char* name;
    const char* ruleColumn;
    const char* colourKey;
};

// In wire-code order.
const FacilityRow kFacilityRows[] = {
    {sfKernel, "Kernel", "facility_sfKernel", "Kernel"},
    {sfUserLevel, "User Level", "facility_sfUserLevel", "UserLevel"},
    {sfMailSystem, "Mail System", "facility_sfMailSystem", "MailSystem"},
    {sfSystemDaemon, "System Daemon", "facility_sfSystemDaemon", "SystemDaemon"},
    {sfSecurityOne, "Security One", "facility_sfSecurityOne", "SecurityOne"},
    {sfSysLogInternal, "Syslogd", "facility_sfSysLogInternal", "Syslogd"},
    {sfLPR, "LPR", "facility_sfLPR", "LPR"},
    {sfNNTP, "NNTP", "facility_sfNNTP", "NNTP"},
    {sfUUCP, "UUCP", "facility_sfUUCP", "UUCP"},
    {sfClockDaemonOne, "Clock Daemon One", "facility_sfClockDaemonOne", "ClockDaemonOne"},
    {sfSecurityTwo, "Security Two", "facility_sfSecurityTwo", "SecurityTwo"},
    {sfFTPDaemon, "FTP Daemon", "facility_sfFTPDaemon", "FTPDaemon"},
    {sfNTP, "NTP", "facility_sfNTP", "NTP"},
    {sfLogAudit, "Log Audit", "facility_sfLogAudit", "LogAudit"},
    {sfLogAlert, "Log Alert", "facility_sfLogAlert", "LogAlert"},
    {sfClockDaemonTwo, "Clock Daemon Two", "facility_sfClockDaemonTwo", "ClockDaemonTwo"},
    {sfLocalUseZero, "Local Use Zero", "facility_sfLocalUseZero", "LocalUseZero"},
    {sfLocalUseOne, "Local Use One", "facility_sfLocalUseOne", "LocalUseOne"},
    {sfLocalUseTwo, "Local Use Two", "facility_sfLocalUseTwo", "LocalUseTwo"},
    {sfLocalUseThree, "Local Use Three", "facility_sfLocalUseThree", "LocalUseThree"},
    {sfLocalUseFour, "Local Use Four", "facility_sfLocalUseFour", "LocalUseFour"},
    {sfLocalUseFive, "Local Use Five", "facility_sfLocalUseFive", "LocalUseFive"},
    {sfLocalUseSix, "Local Use Six", "facility_sfLocalUseSix", "LocalUseSix"},
    {sfLocalUseSeven, "Local Use Seven", "facility_sfLocalUseSeven", "LocalUseSeven"},
};

struct SeverityRow {
    TIdSyslogSeverity severity;
    const char* name;
    const char* ruleColumn;
};

const SeverityRow kSeverityRows[] = {
    {slEmergency, "Emergency", "severity_slEmergency"},
    {slAlert, "Alert", "severity_slAlert"},
    {slCritical, "Critical", "severity_slCritical"},
    {slError, "Error", "severity_slError"},
    {slWarning, "Warning", "severity_slWarning"},
    {slNotice, "Notice", "severity_slNotice"},
    {slInformational, "Informational", "severity_slInformational"},
    {slDebug, "Debug", "severity_slDebug"},
};

TEST(SyslogVocabularyTest, EveryFacilityHasItsWireCodeNameRuleColumnAndColourKey) {
    ASSERT_EQ(std::size(kFacilityRows), static_cast<std::size_t>(kFacilityCount));
    for (int code = 0; code < kFacilityCount; ++code) {
        const FacilityRow& row = kFacilityRows[code];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FacilityToWireCode(row.facility), code);
        EXPECT_EQ(WireCodeToFacility(code), row.facility);
        EXPECT_EQ(kFacilitiesInWireOrder[static_cast<std::size_t>(code)], row.facility);
        std::string name;
        FacilityToName(row.facility, name);
        EXPECT_EQ(name, row.name);
        EXPECT_EQ(NameToFacility(row.name), row.facility);
        EXPECT_EQ(FacilityRuleColumn(row.facility), row.ruleColumn);
        EXPECT_EQ(FacilityColourKey(row.facility), row.colourKey);
    }
}

TEST(SyslogVocabularyTest, EverySeverityHasItsWireCodeNameAndRuleColumn) {
    ASSERT_EQ(std::size(kSeverityRows), static_cast<std::size_t>(kSeverityCount));
    for (int code = 0; code < kSeverityCount; ++code) {
        const SeverityRow& row = kSeverityRows[code];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SeverityToWireCode(row.severity), code);
        EXPECT_EQ(WireCodeToSeverity(code), row.severity);
        EXPECT_EQ(kSeveritiesInWireOrder[static_cast<std::size_t>(code)], row.severity);
        std::string name;
        SeverityToName(row.severity, name);
        EXPECT_EQ(name, row.name);
        EXPECT_EQ(NameToSeverity(row.name), row.severity);
        EXPECT_EQ(SeverityRuleColumn(row.severity), row.ruleColumn);
    }
}

TEST(SyslogVocabularyTest, DeclaredOrderPutsClockDaemonOneBeforeUucp) {
    EXPECT_EQ(static_cast<int>(sfClockDaemonOne), 8);
    EXPECT_EQ(static_cast<int>(sfUUCP), 9);
    EXPECT_EQ(FacilityToWireCode(sfUUCP), 8);
    EXPECT_EQ(FacilityToWireCode(sfClockDaemonOne), 9);
    EXPECT_EQ(WireCodeToFacility(8), sfUUCP);
    EXPECT_EQ(WireCodeToFacility(9), sfClockDaemonOne);
}

TEST(SyslogVocabularyTest, WireCodesOutsideTheRangeHaveNoValue) {
    EXPECT_FALSE(WireCodeToFacility(-1));
    EXPECT_FALSE(WireCodeToFacility(24));
    EXPECT_FALSE(WireCodeToSeverity(-1));
    EXPECT_FALSE(WireCodeToSeverity(8));
}

TEST(SyslogVocabularyTest, ValuesOutsideTheEnumerationChangeNothing) {
    for (const int ordinal : {-1, 24, 1000}) {
        const auto facility = static_cast<TIdSyslogFacility>(ordinal);
        std::string name = "unchanged";
        FacilityToName(facility, name);
        EXPECT_EQ(name, "unchanged");
        EXPECT_EQ(FacilityToWireCode(facility), -1);
        EXPECT_EQ(FacilityRuleColumn(facility), "");
        EXPECT_EQ(FacilityColourKey(facility), "");
    }
    for (const int ordinal : {-1, 8, 1000}) {
        const auto severity = static_cast<TIdSyslogSeverity>(ordinal);
        std::string name = "unchanged";
        SeverityToName(severity, name);
        EXPECT_EQ(name, "unchanged");
        EXPECT_EQ(SeverityToWireCode(severity), -1);
        EXPECT_EQ(SeverityRuleColumn(severity), "");
    }
}

TEST(SyslogVocabularyTest, UnknownNamesYieldTheFirstValue) {
    for (const char* name : {"", "notice", "NOTICE", "Notice ", " Notice", "Notice\n", "Not"}) {
        EXPECT_EQ(NameToSeverity(name), slEmergency) << '"' << name << '"';
    }
    for (const char* name :
         {"", "uucp", "User level", "UserLevel", "Local Use Seven ", "facility_sfUUCP"}) {
        EXPECT_EQ(NameToFacility(name), sfKernel) << '"' << name << '"';
    }
    EXPECT_EQ(NameToFacility(std::string("UUCP\0", 5)), sfKernel);
}

}  // namespace
}  // namespace trevalon
