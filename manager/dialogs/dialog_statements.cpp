#include "manager/dialogs/dialog_statements.h"

namespace trevalon::dialog_statements {

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

}  // namespace trevalon::dialog_statements
