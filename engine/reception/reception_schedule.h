#pragma once

#include <string>

#include "engine/storage/database_client.h"
#include "foundation/clock.h"

namespace trevalon {

// What the schedule check switches: the receivers, told apart by the UDP listener's state.
class ScheduledReception {
  public:
    virtual ~ScheduledReception() = default;
    virtual bool UdpListenerActive() const = 0;
    virtual void StartReceivers() = 0;
    virtual void StopReceivers() = 0;
};

// "select * from scheduling where schedule_time=<hour>"
std::string ScheduleQuery(int hour);

// The day's column of the last row for the hour ("no" when there is none), as stored.
std::string ScheduledState(DatabaseConnection& connection, const LocalTime& now);

// Starts reception for an exact "yes" while the UDP listener is inactive, stops it for an exact
// "no" while it is active, and leaves it alone otherwise. Database errors propagate.
void RunScheduleCheck(DatabaseConnection& connection, const LocalTime& now,
                      ScheduledReception& reception);

}  // namespace trevalon
