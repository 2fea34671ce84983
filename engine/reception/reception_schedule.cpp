#include "engine/reception/reception_schedule.h"

#include <array>

namespace trevalon {
namespace {

// Indexed by LocalTime::weekday, 0 = Sunday.
constexpr std::array<const char*, 7> kDayColumns = {"sun", "mon", "tue", "wed",
                                                    "thu", "fri", "sat"};

}  // namespace

std::string ScheduleQuery(int hour) {
    return "select * from scheduling where schedule_time=" + std::to_string(hour);
}

std::string ScheduledState(DatabaseConnection& connection, const LocalTime& now) {
    const QueryResult rows = connection.Query(ScheduleQuery(now.hour));
    const char* column = kDayColumns[static_cast<std::size_t>(now.weekday % 7)];
    std::string state = "no";
    for (std::size_t row = 0; row < rows.RowCount(); ++row) {
        state = rows.Text(row, column);
    }
    return state;
}

void RunScheduleCheck(DatabaseConnection& connection, const LocalTime& now,
                      ScheduledReception& reception) {
    const std::string state = ScheduledState(connection, now);
    const bool active = reception.UdpListenerActive();
    if (state == "yes" && !active) {
        reception.StartReceivers();
    } else if (state == "no" && active) {
        reception.StopReceivers();
    }
}

}  // namespace trevalon
