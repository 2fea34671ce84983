#pragma once

#include <span>
#include <string_view>

#include "engine/storage/configuration_cache.h"
#include "foundation/syslog_vocabulary.h"

namespace trevalon {

// The first rule, in array order, whose ip is "*" or equals `source` exactly (same letter
// case, no trimming) and whose flags for `facility` and `severity` are both "y"; nullptr when
// none does. The pointer lives as long as the array (keep the snapshot). Allocates nothing.
const FilterRule* FirstMatchingRule(std::span<const FilterRule> rules, std::string_view source,
                                    TIdSyslogFacility facility, TIdSyslogSeverity severity);

// A copy of the first matching rule of the snapshot, or the empty rule (id 0, every text
// empty) when none matches. Call only when the snapshot's RulesExist is set.
FilterRule FindMatchingRule(const ConfigurationSnapshot& snapshot, std::string_view source,
                            TIdSyslogFacility facility, TIdSyslogSeverity severity);

// The facility and severity tests alone: true for every matched rule, false for the empty
// rule. The receivers take a rule's alarm flags only when this holds.
bool RuleAcceptsMessage(const FilterRule& rule, TIdSyslogFacility facility,
                        TIdSyslogSeverity severity);

}  // namespace trevalon
