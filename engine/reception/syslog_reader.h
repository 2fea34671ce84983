#pragma once

#include <string>
#include <string_view>

#include "foundation/syslog_vocabulary.h"

namespace trevalon {

// What the reading of one BSD syslog message (RFC 3164) yields.
struct SyslogReading {
    TIdSyslogFacility Facility = sfUserLevel;
    TIdSyslogSeverity Severity = slNotice;
    // "yyyy-MM-dd HH:mm:ss": the header's TIMESTAMP, or the moment of reception when the header
    // has none that can be read.
    std::string TimeStamp;
    // The header's HOSTNAME, or the sender's address when no header was read.
    std::string HostName;
    // The MSG part: everything after the header.
    std::string Message;
    // The MSG part with its TAG and the colon after it cut off.
    std::string Content;
};

// Reads any byte sequence; defects of PRI or header fall back to PRI 13 (User Level, Notice),
// the reception time taken from EngineClock() and the sender's address.
SyslogReading ReadSyslogMessage(std::string_view raw, std::string_view senderAddress);

// The record the engine passes on, with the Source the receiver chose for it.
SyslogRecord MakeSyslogRecord(const SyslogReading& reading, std::string source);

}  // namespace trevalon
