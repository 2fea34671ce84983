#pragma once

// What a host hears of its engine.

#include <cstdint>
#include <string>

#include "foundation/syslog_vocabulary.h"

namespace trevalon {

// What a program hosting the engine hears of it: the manager fills its live lists from here, the
// service listens to nothing. MessageAccepted runs on the receivers' threads and must not wait:
// the receiver takes no further message until it returns. Everything else runs on the engine's
// owner thread. What a call raises is caught and does not stop the engine.
class EngineObserver {
  public:
    virtual ~EngineObserver() = default;

    // A received message, after it was filed and its alarms were handed over.
    virtual void MessageAccepted(const SyslogRecord& /*record*/) {}
    // An alarm delivery was queued: its work-item ID, the job's TimeStamp, Text and Method, and
    // the recipients to show.
    virtual void AlarmQueued(std::int32_t /*id*/, const std::string& /*timeStamp*/,
                             const std::string& /*text*/, const std::string& /*method*/,
                             const std::string& /*recipients*/) {}
    // An alarm delivery finished: its ID and the status to show, its ResultText, or "Error" for
    // a delivery the pool did not complete. Always after its AlarmQueued.
    virtual void AlarmFinished(std::int32_t /*id*/, const std::string& /*resultText*/) {}
    // The receivers were started or stopped: by the host, the initialisation or the schedule.
    virtual void ReceptionSwitched(bool /*running*/) {}
    // New settings were published; the engine's Settings() holds them.
    virtual void SettingsPublished() {}
    // A caught error that was logged and that the operator should also see.
    virtual void ErrorCaught(const std::string& /*text*/) {}
};

}  // namespace trevalon
