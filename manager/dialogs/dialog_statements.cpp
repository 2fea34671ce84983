#include "manager/dialogs/dialog_statements.h"

#include <charconv>
#include <utility>
#include <vector>

#include "engine/storage/database_client.h"
#include "foundation/syslog_vocabulary.h"

namespace trevalon::dialog_statements {
namespace {

const char* Flag(bool on) {
    return on ? "\"y\"" : "\"n\"";
}

std::string Id(std::int64_t id) {
    return std::to_string(id);
}

// Every rule column but the source, in table order, each "column" and its value.
std::vector<std::pair<std::string, std::string>> RuleValues(const RuleFields& rule) {
    std::vector<std::pair<std::string, std::string>> values;
    for (std::size_t at = 0; at < kFacilitiesInWireOrder.size(); ++at) {
        values.emplace_back(FacilityRuleColumn(kFacilitiesInWireOrder[at]),
                            Flag(rule.facilities[at]));
    }
    for (std::size_t at = 0; at < kSeveritiesInWireOrder.size(); ++at) {
        values.emplace_back(SeverityRuleColumn(kSeveritiesInWireOrder[at]),
                            Flag(rule.severities[at]));
    }
    for (std::size_t at = 0; at < kMethodColumns.size(); ++at) {
        values.emplace_back(kMethodColumns[at], Flag(rule.methods[at]));
    }
    values.emplace_back("alarm_snmp_version", std::to_string(rule.snmpVersion));
    values.emplace_back("alarm_snmp_trap_oid", SqlQuoted(rule.trapOid));
    values.emplace_back("alarm_snmp_trap_community", SqlQuoted(rule.community));
    values.emplace_back("alarm_snmp_trap_enterprise", SqlQuoted(rule.enterprise));
    values.emplace_back("alarm_snmp_trap_username", SqlQuoted(rule.userName));
    values.emplace_back("alarm_snmp_trap_password", SqlQuoted(rule.password));
    values.emplace_back("alarm_repeat_seconds", std::to_string(rule.repeatSeconds));
    return values;
}

template <std::size_t N, typename Column>
void AppendAnyOf(std::string& condition, const std::array<bool, N>& ticked, Column column) {
    std::string terms;
    for (std::size_t at = 0; at < N; ++at) {
        if (ticked[at]) {
            terms += (terms.empty() ? "" : " or ") + column(at) + "=\"y\"";
        }
    }
    if (!terms.empty()) {
        condition += " and (" + terms + ")";
    }
}

}  // namespace

std::string UpdateSchedulingHour(int hour, const std::array<bool, kDays>& days) {
    std::string statement = "update scheduling set ";
    for (int day = 0; day < kDays; ++day) {
        if (day > 0) {
            statement += " , ";
        }
        statement += std::string(kDayColumns[day]) + "=\"" + (days[day] ? "yes" : "no") + "\"";
    }
    return statement + " where schedule_time=" + std::to_string(hour);
}

std::string CountByName(std::string_view table, std::string_view name, std::int64_t editedId) {
    std::string statement = "Select count(*) as numOfRecord from " + std::string(table) +
                            " where name=" + SqlQuoted(name);
    if (editedId != 0) {
        statement += " and id<>" + std::to_string(editedId);
    }
    return statement;
}

std::string IdByName(std::string_view table, std::string_view name) {
    return "Select id from " + std::string(table) + " where name=" + SqlQuoted(name);
}

std::string InsertPerson(const PersonFields& person) {
    return "INSERT INTO contact_person (name,details,email,sms,pager_id) VALUES (" +
           SqlQuoted(person.name) + "," + SqlQuoted(person.details) + "," +
           SqlQuoted(person.email) + "," + SqlQuoted(person.sms) + "," + SqlQuoted(person.pagerId) +
           ")";
}

std::string UpdatePerson(std::int64_t id, const PersonFields& person) {
    return "UPDATE contact_person SET name=" + SqlQuoted(person.name) +
           " , details=" + SqlQuoted(person.details) + " , email=" + SqlQuoted(person.email) +
           " , sms=" + SqlQuoted(person.sms) + " , pager_id=" + SqlQuoted(person.pagerId) +
           " WHERE id=" + std::to_string(id);
}

std::string DeletePerson(std::int64_t id) {
    return "DELETE FROM contact_person WHERE id=" + std::to_string(id);
}

std::string DeletePersonsGroupLinks(std::int64_t personId) {
    return "DELETE FROM contact_person_group WHERE contact_person_id=" + std::to_string(personId);
}

std::string SelectGroupMembers(std::int64_t groupId) {
    return "SELECT a.contact_group_id AS contact_group_id,a.contact_person_id AS "
           "contact_person_id,b.name AS name FROM contact_person_group AS a, contact_person AS b "
           "WHERE a.contact_person_id=b.id AND a.contact_group_id=" +
           std::to_string(groupId);
}

std::string InsertGroup(std::string_view name) {
    return "INSERT INTO contact_group (name) VALUES (" + SqlQuoted(name) + ")";
}

std::string UpdateGroup(std::int64_t id, std::string_view name) {
    return "UPDATE contact_group SET name=" + SqlQuoted(name) + " WHERE id=" + std::to_string(id);
}

std::string DeleteGroup(std::int64_t id) {
    return "DELETE FROM contact_group WHERE id=" + std::to_string(id);
}

std::string DeleteGroupsLinks(std::int64_t groupId) {
    return "DELETE FROM contact_person_group WHERE contact_group_id=" + std::to_string(groupId);
}

std::string InsertGroupLink(std::int64_t personId, std::int64_t groupId) {
    return "INSERT INTO contact_person_group (contact_person_id,contact_group_id) VALUES (" +
           std::to_string(personId) + "," + std::to_string(groupId) + ")";
}

std::string SelectRule(std::int64_t id) {
    return "select * from filtering where id=" + Id(id);
}

std::string SelectRuleContactNames(std::int64_t ruleId) {
    return "Select contact_person.name as name from filtering_contact,contact_person where "
           "filtering_contact.contact_person_id=contact_person.id and filtering_id=" +
           Id(ruleId);
}

std::string RuleKeyCondition(const RuleFields& rule, bool allFacilities, bool allSeverities) {
    std::string condition;
    if (!allFacilities) {
        AppendAnyOf(condition, rule.facilities,
                    [](std::size_t at) { return FacilityRuleColumn(kFacilitiesInWireOrder[at]); });
    }
    if (!allSeverities) {
        AppendAnyOf(condition, rule.severities,
                    [](std::size_t at) { return SeverityRuleColumn(kSeveritiesInWireOrder[at]); });
    }
    return condition;
}

std::string CountRulesWithKey(std::string_view source, std::string_view condition) {
    return "select count(*) as numOfRecord from filtering where ip=" + SqlQuoted(source) +
           std::string(condition);
}

std::string SelectRulesWithKey(std::string_view source, std::string_view condition) {
    return "select * from filtering where ip=" + SqlQuoted(source) + std::string(condition);
}

std::string InsertRule(const RuleFields& rule) {
    std::string columns = "ip";
    std::string values = SqlQuoted(rule.source);
    for (const auto& [column, value] : RuleValues(rule)) {
        columns += "," + column;
        values += "," + value;
    }
    return "insert into filtering (" + columns + ") values (" + values + ")";
}

std::string UpdateRule(std::int64_t id, const RuleFields& rule) {
    std::string statement = "update filtering set ";
    for (const auto& [column, value] : RuleValues(rule)) {
        statement += column + "=" + value + ",";
    }
    return statement + "ip=" + SqlQuoted(rule.source) + " where id=" + Id(id);
}

std::string DeleteRule(std::int64_t id) {
    return "delete from filtering where id=" + Id(id);
}

std::string DeleteRuleContacts(std::int64_t ruleId) {
    return "delete from filtering_contact where filtering_id=" + Id(ruleId);
}

std::string CountRuleContact(std::int64_t ruleId, std::int64_t personId) {
    return "SELECT count(*) as noOfRecord FROM filtering_contact where filtering_id=" + Id(ruleId) +
           " and contact_person_id=" + Id(personId);
}

std::string InsertRuleContact(std::int64_t ruleId, std::int64_t personId) {
    return "insert into filtering_contact (filtering_id,contact_person_id) values (" + Id(ruleId) +
           "," + Id(personId) + ")";
}

std::string SelectGroupMemberIds(std::int64_t groupId) {
    return "select contact_person_id from contact_person_group where contact_group_id=" +
           Id(groupId);
}

std::string TextValue(std::string_view typed) {
    return SqlQuoted(typed);
}

std::string NumberValue(std::string_view typed) {
    if (typed.empty()) {
        return "0";
    }
    long long number = 0;
    const char* end = typed.data() + typed.size();
    if (const auto [stop, error] = std::from_chars(typed.data(), end, number);
        error == std::errc() && stop == end) {
        return std::to_string(number);
    }
    return "0";
}

std::string FlagValue(bool checked) {
    return checked ? "1" : "0";
}

std::string SelectAlarmMethod(std::string_view type) {
    return "SELECT * FROM alarm_method WHERE type =" + SqlQuoted(type);
}

std::string UpdateAlarmMethod(std::string_view type, const std::vector<MethodValue>& values) {
    std::string statement = "UPDATE alarm_method SET ";
    for (std::size_t at = 0; at < values.size(); ++at) {
        statement += (at == 0 ? "" : " , ") + values[at].column + "=" + values[at].value;
    }
    return statement + " WHERE type=" + SqlQuoted(type);
}

std::string InsertAlarmMethod(std::string_view type, const std::vector<MethodValue>& values) {
    std::string columns = "type";
    std::string row = SqlQuoted(type);
    for (const MethodValue& value : values) {
        columns += "," + value.column;
        row += "," + value.value;
    }
    return "INSERT INTO alarm_method (" + columns + ") VALUES (" + row + ")";
}

std::string InsertExtraField(std::string_view name, std::string_view value) {
    return "INSERT INTO alarm_method_extra_fields (field_name,field_value) VALUES (" +
           SqlQuoted(name) + "," + SqlQuoted(value) + ")";
}

}  // namespace trevalon::dialog_statements
