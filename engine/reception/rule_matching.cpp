#include "engine/reception/rule_matching.h"

namespace trevalon {
namespace {

constexpr std::string_view kAnySender = "*";

bool SenderMatches(const FilterRule& rule, std::string_view source) {
    return rule.ip == kAnySender || rule.ip == source;
}

}  // namespace

bool RuleAcceptsMessage(const FilterRule& rule, TIdSyslogFacility facility,
                        TIdSyslogSeverity severity) {
    return FlagSet(rule.FacilityFlag(facility)) && FlagSet(rule.SeverityFlag(severity));
}

const FilterRule* FirstMatchingRule(std::span<const FilterRule> rules, std::string_view source,
                                    TIdSyslogFacility facility, TIdSyslogSeverity severity) {
    for (const FilterRule& rule : rules) {
        if (SenderMatches(rule, source) && RuleAcceptsMessage(rule, facility, severity)) {
            return &rule;
        }
    }
    return nullptr;
}

FilterRule FindMatchingRule(const ConfigurationSnapshot& snapshot, std::string_view source,
                            TIdSyslogFacility facility, TIdSyslogSeverity severity) {
    const FilterRule* rule = FirstMatchingRule(snapshot.Rules, source, facility, severity);
    return rule != nullptr ? *rule : FilterRule{};
}

}  // namespace trevalon
