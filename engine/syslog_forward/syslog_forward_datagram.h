#pragma once

#include <string>
#include <string_view>

#include "foundation/clock.h"
#include "foundation/syslog_vocabulary.h"

namespace trevalon {

// Longest datagram a forward sends; the end of a longer one is cut off.
inline constexpr std::size_t kSyslogForwardLimit = 1024;

// The text a forward carries: an alarm text with a colon anywhere but at its start gets ":" in
// front, so the receiving server cannot take the words before the colon for a tag.
std::string SyslogForwardText(std::string_view alarmText);

// "Mmm dd hh:mm:ss" with a blank-padded day, as in "Mar  5 07:04:09".
std::string SyslogForwardTimestamp(const LocalTime& local);

// "<PRI>TIMESTAMP HOSTNAME TEXT", cut to kSyslogForwardLimit bytes.
std::string SyslogForwardDatagram(TIdSyslogFacility facility, TIdSyslogSeverity severity,
                                  const LocalTime& local, std::string_view hostName,
                                  std::string_view text);

}  // namespace trevalon
