#pragma once

// What a matched message asks to deliver: one alarm by one method, before it becomes a
// delivery job.

#include <string>

namespace trevalon {

// One alarm to deliver by one method to one recipient (for "Email", to one address list).
struct AlarmJob {
    // "Email", "SMS", "SMS by HTTP", "SysLog", "SNMP" or "SNPP".
    std::string Method;
    // The message's TimeStamp, "yyyy-MM-dd HH:mm:ss".
    std::string TimeStamp;
    // Source, FacilityName, SeverityName and Content, single spaces between; not for "SNMP".
    std::string Text;
    // "Email": the addresses joined by ";"; "SMS", "SMS by HTTP": a phone number; "SNPP": a pager
    // id; "SysLog": the forward target host; "SNMP": empty.
    std::string Recipient;
    // "SysLog" only.
    std::string FacilityName;
    std::string SeverityName;
    // "SNMP" only: the matched rule's trap settings.
    int SnmpVersion = 0;
    std::string SnmpTrapOid;
    std::string SnmpCommunity;
    std::string SnmpEnterprise;
    std::string SnmpUsername;
    std::string SnmpPassword;
};

}  // namespace trevalon
