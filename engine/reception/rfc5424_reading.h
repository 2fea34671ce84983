#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "foundation/clock.h"

namespace trevalon {

// What an RFC 5424 header ("1 TIMESTAMP HOSTNAME APP-NAME PROCID MSGID SD MSG", after the PRI)
// gives the record.
struct Rfc5424Fields {
    std::string TimeStamp;  // local "yyyy-MM-dd HH:mm:ss"; the reception time for "-"
    std::string HostName;   // empty for "-"
    std::string Content;    // the structured data when not "-", a space, the MSG without its BOM
};

// None when `afterPri` is not a well-formed RFC 5424 header; the caller then reads it the
// RFC 3164 way.
std::optional<Rfc5424Fields> ReadRfc5424(std::string_view afterPri, const LocalTime& now);

}  // namespace trevalon
