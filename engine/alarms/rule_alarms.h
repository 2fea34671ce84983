#pragma once

// What one matched message raises, kept whole so that a held alarm can be raised later as a
// summary by the same methods to the same recipients.

#include <string>

namespace trevalon {

// The rule's methods, already cleared for disabled methods and for sources that are not
// forwarded, with the message's parts that the deliveries take.
struct RuleAlarms {
    int ruleId = 0;
    bool email = false;
    bool smpp = false;
    bool httpSms = false;
    bool forward = false;
    bool snmp = false;
    bool snpp = false;
    int snmpVersion = 0;
    std::string snmpTrapOid;
    std::string snmpCommunity;
    std::string snmpEnterprise;
    std::string snmpUsername;
    std::string snmpPassword;
    std::string timeStamp;
    std::string facilityName;
    std::string severityName;
    // The alarm text: Source, FacilityName, SeverityName and Content.
    std::string text;

    bool Any() const { return email || smpp || httpSms || forward || snmp || snpp; }
};

}  // namespace trevalon
