#pragma once

#include <string>
#include <string_view>

#include "engine/storage/configuration_cache.h"
#include "engine/storage/database_client.h"

namespace trevalon {

inline constexpr std::string_view kAlarmMethodTable = "alarm_method";
inline constexpr std::string_view kContactPersonTable = "contact_person";
inline constexpr std::string_view kSelectExtraFieldsStatement =
    "select * from alarm_method_extra_fields";
inline constexpr std::string_view kCountRulesStatement =
    "SELECT count(*) as numOfRecord FROM filtering";
inline constexpr std::string_view kSelectRulesStatement = "SELECT * FROM filtering";
inline constexpr std::string_view kSelectRuleContactsStatement =
    "Select filtering_id,contact_person_id from filtering_contact";

// alarm_method.ip of a method that names a host: the first "HTTP://", in any letter case,
// removed wherever it stands.
std::string HostWithoutScheme(std::string_view ip);
// alarm_method.ip of "SMS by HTTP": "http://" put in front unless the text already begins with
// "HTTP://" in any letter case; an empty text stays empty.
std::string UrlWithScheme(std::string_view ip);

// Every loader runs on the thread that owns `connection` and publishes what it read in one
// step; until then readers keep the previous content.

// The six methods from table alarm_method (a later row of one type wins, unknown types are
// skipped), then the HTTP SMS extra fields. Errors are raised to the caller and the cache
// keeps its previous methods.
void LoadAlarmMethods(DatabaseConnection& connection, ConfigurationCache& cache);

// Whether table filtering has a row; any error publishes false.
void LoadRulesExistFlag(DatabaseConnection& connection, ConfigurationCache& cache);

// The rules in server order. An error ends the loading silently: what was read is published,
// and the rest of the array stays empty rules.
void LoadRules(DatabaseConnection& connection, ConfigurationCache& cache);

// The contact persons of the rules, in the order of the filtering_contact rows. An error ends
// the loading silently, as for the rules.
void LoadRuleContacts(DatabaseConnection& connection, ConfigurationCache& cache);

// The rules-exist flag, the rules and their contacts read as above and published together, so
// that no reader pairs new rules with old contacts.
void LoadRulesAndContacts(DatabaseConnection& connection, ConfigurationCache& cache);

}  // namespace trevalon
