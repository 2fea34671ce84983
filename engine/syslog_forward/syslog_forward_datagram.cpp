#include "engine/syslog_forward/syslog_forward_datagram.h"

#include <array>
#include <cstdio>

namespace trevalon {
namespace {

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

std::string SyslogForwardText(std::string_view alarmText) {
    const std::size_t colon = alarmText.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return std::string(alarmText);
    }
    return ":" + std::string(alarmText);
}

std::string SyslogForwardTimestamp(const LocalTime& local) {
    const int month = local.month >= 1 && local.month <= 12 ? local.month : 1;
    char text[32];
    std::snprintf(text, sizeof text, "%s %2d %02d:%02d:%02d", kMonths[month - 1], local.day,
                  local.hour, local.minute, local.second);
    return text;
}

std::string SyslogForwardDatagram(TIdSyslogFacility facility, TIdSyslogSeverity severity,
                                  const LocalTime& local, std::string_view hostName,
                                  std::string_view text) {
    const int pri = FacilityToWireCode(facility) * 8 + SeverityToWireCode(severity);
    std::string datagram = "<" + std::to_string(pri) + ">" + SyslogForwardTimestamp(local) + " " +
                           std::string(hostName) + " " + std::string(text);
    if (datagram.size() > kSyslogForwardLimit) {
        datagram.resize(kSyslogForwardLimit);
    }
    return datagram;
}

}  // namespace trevalon
