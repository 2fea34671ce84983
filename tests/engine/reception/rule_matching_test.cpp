#include "engine/reception/rule_matching.h"

#include <vector>

#include <gtest/gtest.h>

#include "tests/engine/reception/allocation_counter.h"

namespace trevalon {
namespace {

FilterRule Rule(int id, std::string ip, std::vector<TIdSyslogFacility> facilities,
                std::vector<TIdSyslogSeverity> severities) {
    FilterRule rule;
    rule.id = id;
    rule.ip = std::move(ip);
    rule.facility.fill("n");
    rule.severity.fill("n");
    for (const TIdSyslogFacility facility : facilities) {
        rule.facility[static_cast<std::size_t>(FacilityToWireCode(facility))] = "y";
    }
    for (const TIdSyslogSeverity severity : severities) {
        rule.severity[static_cast<std::size_t>(SeverityToWireCode(severity))] = "y";
    }
    rule.alarm_snmp = "y";
    rule.alarm_snmp_trap_oid = "1.3.6.1.4.1." + std::to_string(id);
    return rule;
}

std::vector<TIdSyslogFacility> AllFacilities() {
    return {kFacilitiesInWireOrder.begin(), kFacilitiesInWireOrder.end()};
}

std::vector<TIdSyslogSeverity> AllSeverities() {
    return {kSeveritiesInWireOrder.begin(), kSeveritiesInWireOrder.end()};
}

ConfigurationSnapshot SnapshotOf(std::vector<FilterRule> rules) {
    ConfigurationSnapshot snapshot;
    snapshot.RulesExist = !rules.empty();
    snapshot.Rules = std::move(rules);
    return snapshot;
}

TEST(RuleMatching, FirstRulePassingAllThreeTestsWins) {
    const ConfigurationSnapshot snapshot =
        SnapshotOf({Rule(1, "*", {sfKernel}, AllSeverities()),
                    Rule(2, "10.0.0.5", AllFacilities(), AllSeverities()),
                    Rule(3, "*", AllFacilities(), AllSeverities())});
    EXPECT_EQ(FindMatchingRule(snapshot, "10.0.0.5", sfKernel, slNotice).id, 1);
    // Rule 1 passes the sender test but not the facility test; the walk goes on.
    const FilterRule mail = FindMatchingRule(snapshot, "10.0.0.5", sfMailSystem, slNotice);
    EXPECT_EQ(mail.id, 2);
    EXPECT_EQ(mail.alarm_snmp_trap_oid, "1.3.6.1.4.1.2");
    EXPECT_EQ(FindMatchingRule(snapshot, "10.0.0.6", sfMailSystem, slNotice).id, 3);
}

TEST(RuleMatching, SenderIsStarOrTheExactText) {
    const ConfigurationSnapshot snapshot =
        SnapshotOf({Rule(1, "10.0.0.*", AllFacilities(), AllSeverities()),
                    Rule(2, "Router1", AllFacilities(), AllSeverities()),
                    Rule(3, " 10.0.0.7", AllFacilities(), AllSeverities()),
                    Rule(4, "**", AllFacilities(), AllSeverities()),
                    Rule(5, "", AllFacilities(), AllSeverities())});
    for (const char* source : {"10.0.0.5", "router1", "10.0.0.7", "10.0.0.7 ", "*x", "Router"}) {
        EXPECT_EQ(FindMatchingRule(snapshot, source, sfKernel, slDebug).id, 0) << source;
    }
    EXPECT_EQ(FindMatchingRule(snapshot, "Router1", sfKernel, slDebug).id, 2);
    EXPECT_EQ(FindMatchingRule(snapshot, " 10.0.0.7", sfKernel, slDebug).id, 3);
    EXPECT_EQ(FindMatchingRule(snapshot, "10.0.0.*", sfKernel, slDebug).id, 1);
    // A source with an embedded NUL is compared as a whole text.
    EXPECT_EQ(FindMatchingRule(snapshot, std::string_view("Router1\0x", 9), sfKernel, slDebug).id,
              0);
}

TEST(RuleMatching, FlagsCountOnlyWhenExactlyLowerCaseY) {
    FilterRule rule = Rule(1, "*", {}, {});
    for (const char* text : {"Y", "yes", " y", "1", ""}) {
        rule.facility[0] = text;
        rule.severity[0] = "y";
        EXPECT_FALSE(RuleAcceptsMessage(rule, sfKernel, slEmergency)) << text;
        rule.facility[0] = "y";
        rule.severity[0] = text;
        EXPECT_FALSE(RuleAcceptsMessage(rule, sfKernel, slEmergency)) << text;
    }
    rule.severity[0] = "y";
    EXPECT_TRUE(RuleAcceptsMessage(rule, sfKernel, slEmergency));
}

TEST(RuleMatching, FacilityFlagsAreLookedUpByWireCode) {
    const ConfigurationSnapshot snapshot = SnapshotOf({Rule(1, "*", {sfUUCP}, {slError})});
    EXPECT_EQ(snapshot.Rules[0].facility[8], "y");
    EXPECT_EQ(FindMatchingRule(snapshot, "h", sfUUCP, slError).id, 1);
    EXPECT_EQ(FindMatchingRule(snapshot, "h", sfClockDaemonOne, slError).id, 0);
    EXPECT_EQ(FindMatchingRule(snapshot, "h", sfUUCP, slWarning).id, 0);
    EXPECT_FALSE(
        RuleAcceptsMessage(snapshot.Rules[0], static_cast<TIdSyslogFacility>(99), slError));
    EXPECT_FALSE(RuleAcceptsMessage(snapshot.Rules[0], sfUUCP, static_cast<TIdSyslogSeverity>(-1)));
}

TEST(RuleMatching, NoMatchGivesTheEmptyRuleThatAcceptsNothing) {
    const FilterRule none =
        FindMatchingRule(SnapshotOf({Rule(1, "10.0.0.1", AllFacilities(), AllSeverities())}),
                         "10.0.0.2", sfKernel, slEmergency);
    EXPECT_EQ(none.id, 0);
    EXPECT_EQ(none.ip, "");
    EXPECT_EQ(none.alarm_snmp, "");
    EXPECT_EQ(none.alarm_snmp_trap_oid, "");
    EXPECT_EQ(none.alarm_snmp_version, 0);
    for (const TIdSyslogFacility facility : kFacilitiesInWireOrder) {
        for (const TIdSyslogSeverity severity : kSeveritiesInWireOrder) {
            EXPECT_FALSE(RuleAcceptsMessage(none, facility, severity));
        }
    }
    EXPECT_EQ(FindMatchingRule(ConfigurationSnapshot{}, "h", sfKernel, slEmergency).id, 0);
}

TEST(RuleMatching, WalkingPastRulesThatDoNotMatchAllocatesNothing) {
    std::vector<FilterRule> rules;
    for (int i = 0; i < 200; ++i) {
        // Half pass the sender test and fail on the flags, half fail on the sender.
        rules.push_back(i % 2 == 0 ? Rule(i, "*", {sfNTP}, AllSeverities())
                                   : Rule(i, "192.168.100." + std::to_string(i), AllFacilities(),
                                          AllSeverities()));
    }
    const std::string source = "192.168.100.250 with a long host name beyond any small buffer";
    const long before = testing::AllocationCount();
    const FilterRule* match = FirstMatchingRule(rules, source, sfKernel, slNotice);
    const long after = testing::AllocationCount();
    EXPECT_EQ(match, nullptr);
    EXPECT_EQ(after - before, 0);
}

}  // namespace
}  // namespace trevalon
