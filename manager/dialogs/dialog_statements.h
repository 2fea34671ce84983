#pragma once

// The statements the manager's dialogs run, together in one place: what they read and write is
// visible at a glance, and every value that reaches a statement passes one of these builders.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trevalon::dialog_statements {

inline constexpr int kDays = 7;
inline constexpr int kHours = 24;

inline constexpr const char* kSelectScheduling = "SELECT * FROM scheduling";
// The day columns of table scheduling, Monday first.
inline constexpr std::array<const char*, kDays> kDayColumns = {"mon", "tue", "wed", "thu",
                                                               "fri", "sat", "sun"};

// One hour's row of the schedule: "yes" for a day that receives, "no" for one that does not.
std::string UpdateSchedulingHour(int hour, const std::array<bool, kDays>& days);

// Shared look-ups of the contacts and rules dialogs. The name is unique when the count is 0; an
// `editedId` other than 0 leaves that record's own name out.
std::string CountByName(std::string_view table, std::string_view name, std::int64_t editedId);
std::string IdByName(std::string_view table, std::string_view name);

// A contact person's fields, as typed.
struct PersonFields {
    std::string name;
    std::string details;
    std::string email;
    std::string sms;
    std::string pagerId;
};

inline constexpr const char* kSelectPersonsDescending =
    "SELECT * FROM contact_person ORDER BY name DESC";
inline constexpr const char* kSelectPersonNames = "SELECT name FROM contact_person ORDER BY name";
std::string InsertPerson(const PersonFields& person);
std::string UpdatePerson(std::int64_t id, const PersonFields& person);
std::string DeletePerson(std::int64_t id);
std::string DeletePersonsGroupLinks(std::int64_t personId);

inline constexpr const char* kSelectGroupsDescending =
    "SELECT * FROM contact_group ORDER BY name DESC";
std::string SelectGroupMembers(std::int64_t groupId);
std::string InsertGroup(std::string_view name);
std::string UpdateGroup(std::int64_t id, std::string_view name);
std::string DeleteGroup(std::int64_t id);
std::string DeleteGroupsLinks(std::int64_t groupId);
std::string InsertGroupLink(std::int64_t personId, std::int64_t groupId);

// A filtering rule's fields, as the dialog holds them.
struct RuleFields {
    std::string source;
    std::array<bool, 24> facilities{};  // wire order
    std::array<bool, 8> severities{};   // wire order
    // Email, SMS, SMS by HTTP, SysLog, SNMP, SNPP.
    std::array<bool, 6> methods{};
    int snmpVersion = 1;
    std::string trapOid;
    std::string community;
    std::string enterprise;
    std::string userName;
    std::string password;
    // 0: every match alarms.
    int repeatSeconds = 0;
};

// The method columns of table filtering, in the order of RuleFields::methods.
inline constexpr std::array<const char*, 6> kMethodColumns = {
    "alarm_email", "alarm_smpp", "alarm_httpsms", "alarm_syslog", "alarm_snmp", "alarm_snpp"};

inline constexpr const char* kSelectRules = "SELECT * FROM filtering";
inline constexpr const char* kCountRules = "Select count(*) as numOfRecord from filtering";
inline constexpr const char* kSelectNewestRuleId = "Select MAX(id) as id from filtering";
inline constexpr const char* kSelectAllPersons = "SELECT * FROM contact_person";
inline constexpr const char* kSelectAllGroups = "SELECT * FROM contact_group";
std::string SelectRule(std::int64_t id);
std::string SelectRuleContactNames(std::int64_t ruleId);
// " and (facility_X=\"y\" or ...)" over the ticked facilities, then the same for the
// severities; a dimension with "All" ticked adds nothing.
std::string RuleKeyCondition(const RuleFields& rule, bool allFacilities, bool allSeverities);
std::string CountRulesWithKey(std::string_view source, std::string_view condition);
std::string SelectRulesWithKey(std::string_view source, std::string_view condition);
std::string InsertRule(const RuleFields& rule);
std::string UpdateRule(std::int64_t id, const RuleFields& rule);
std::string DeleteRule(std::int64_t id);
std::string DeleteRuleContacts(std::int64_t ruleId);
std::string CountRuleContact(std::int64_t ruleId, std::int64_t personId);
std::string InsertRuleContact(std::int64_t ruleId, std::int64_t personId);
std::string SelectGroupMemberIds(std::int64_t groupId);

// Alarming Options: one row of alarm_method per method type, the HTTP SMS extra fields.
inline constexpr const char* kSelectAlarmMethods = "SELECT * FROM alarm_method";
inline constexpr const char* kDeleteExtraFields = "DELETE FROM alarm_method_extra_fields";

// A column of an alarm_method row and its value as the statement carries it.
struct MethodValue {
    std::string column;
    std::string value;
};
// A typed text between double quotes.
std::string TextValue(std::string_view typed);
// A typed number written bare, an empty field as 0. Text that is no whole number (a disabled
// page is not checked) is 0 too: a number column cannot keep it, and written bare it would
// break the statement and lose the whole row.
std::string NumberValue(std::string_view typed);
std::string FlagValue(bool checked);

std::string SelectAlarmMethod(std::string_view type);
// `values` begin with enable.
std::string UpdateAlarmMethod(std::string_view type, const std::vector<MethodValue>& values);
std::string InsertAlarmMethod(std::string_view type, const std::vector<MethodValue>& values);
std::string InsertExtraField(std::string_view name, std::string_view value);

}  // namespace trevalon::dialog_statements
