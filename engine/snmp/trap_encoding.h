#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/snmp/net_snmp_access.h"
#include "engine/snmp/object_identifier.h"

namespace trevalon {

using Datagram = std::vector<std::uint8_t>;

// An SNMPv1 Trap-PDU (RFC 1157).
struct V1TrapContent {
    std::string community;
    std::vector<SubIdentifier> enterprise;  // empty: net-snmp's default, 1.3.6.1.4.1.3.1.1
    std::uint32_t agentAddress = 0;         // IPv4, network order; 0: this machine's address
    V1TrapNumbers numbers;
    std::uint32_t uptime = 0;  // centiseconds
};

// An SNMPv2-Trap-PDU (RFC 3416): sysUpTime.0 and snmpTrapOID.0, nothing else.
struct NotificationContent {
    std::vector<SubIdentifier> trapOid;
    std::uint32_t uptime = 0;  // centiseconds
};

// The sending side of an SNMPv3 trap: authNoPriv with HMAC-SHA-96 for `user` (RFC 3414).
struct UsmSender {
    std::vector<unsigned char> engineId;  // empty: the engine id net-snmp made for this process
    std::string user;
    std::string password;
};

// Each returns the whole message ready for one UDP datagram, or raises SnmpAgentError with the
// library's message.
Datagram EncodeV1Trap(const NetSnmpAccess& library, const V1TrapContent& content);
Datagram EncodeV2cTrap(const NetSnmpAccess& library, const std::string& community,
                       const NotificationContent& content);
Datagram EncodeV3Trap(const NetSnmpAccess& library, const UsmSender& sender,
                      const NotificationContent& content);

}  // namespace trevalon
