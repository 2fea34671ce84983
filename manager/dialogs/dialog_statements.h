#pragma once

// The statements the manager's dialogs run, together in one place: what they read and write is
// visible at a glance, and every value that reaches a statement passes one of these builders.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

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

}  // namespace trevalon::dialog_statements
