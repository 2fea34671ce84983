#pragma once

// The statements the manager's dialogs run, together in one place: what they read and write is
// visible at a glance, and every value that reaches a statement passes one of these builders.

#include <array>
#include <string>

namespace trevalon::dialog_statements {

inline constexpr int kDays = 7;
inline constexpr int kHours = 24;

inline constexpr const char* kSelectScheduling = "SELECT * FROM scheduling";
// The day columns of table scheduling, Monday first.
inline constexpr std::array<const char*, kDays> kDayColumns = {"mon", "tue", "wed", "thu",
                                                               "fri", "sat", "sun"};

// One hour's row of the schedule: "yes" for a day that receives, "no" for one that does not.
std::string UpdateSchedulingHour(int hour, const std::array<bool, kDays>& days);

}  // namespace trevalon::dialog_statements
