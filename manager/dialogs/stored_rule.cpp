#include "manager/dialogs/stored_rule.h"

#include <string>

#include "foundation/syslog_vocabulary.h"

namespace trevalon {
namespace {

namespace sql = dialog_statements;

template <std::size_t N, typename Column>
std::array<bool, N> FlagsOf(const QueryResult& rules, std::size_t row, Column column) {
    std::array<bool, N> flags{};
    for (std::size_t at = 0; at < N; ++at) {
        flags[at] = rules.Text(row, column(at)) == "y";
    }
    return flags;
}

template <std::size_t N>
QString SetNames(const std::array<bool, N>& flags, const QStringList& names) {
    QStringList set;
    for (std::size_t at = 0; at < N; ++at) {
        if (flags[at]) {
            set << names.value(static_cast<int>(at));
        }
    }
    return set.join('/');
}

}  // namespace

QStringList FacilityNames() {
    QStringList names;
    for (const TIdSyslogFacility facility : kFacilitiesInWireOrder) {
        std::string name;
        FacilityToName(facility, name);
        names << QString::fromStdString(name);
    }
    return names;
}

QStringList SeverityNames() {
    QStringList names;
    for (const TIdSyslogSeverity severity : kSeveritiesInWireOrder) {
        std::string name;
        SeverityToName(severity, name);
        names << QString::fromStdString(name);
    }
    return names;
}

sql::RuleFields StoredFlags(const QueryResult& rules, std::size_t row) {
    sql::RuleFields rule;
    rule.facilities = FlagsOf<kFacilityCount>(
        rules, row, [](std::size_t at) { return FacilityRuleColumn(kFacilitiesInWireOrder[at]); });
    rule.severities = FlagsOf<kSeveritiesInWireOrder.size()>(
        rules, row, [](std::size_t at) { return SeverityRuleColumn(kSeveritiesInWireOrder[at]); });
    rule.methods = FlagsOf<kMethodNames.size()>(
        rules, row, [](std::size_t at) { return std::string(sql::kMethodColumns[at]); });
    return rule;
}

QStringList RuleListRow(const QueryResult& rules, std::size_t row, const QStringList& contacts) {
    const sql::RuleFields flags = StoredFlags(rules, row);
    QStringList methods;
    for (const char* name : kMethodNames) {
        methods << name;
    }
    return {QString::number(rules.Integer(row, "id")),
            QString::fromStdString(rules.Text(row, "ip")),
            SetNames(flags.facilities, FacilityNames()),
            SetNames(flags.severities, SeverityNames()),
            SetNames(flags.methods, methods),
            contacts.join(','),
            QString::number(rules.Integer(row, "alarm_repeat_seconds"))};
}

}  // namespace trevalon
