#pragma once

#include <string>
#include <vector>

#include "engine/snmp/net_snmp_access.h"

namespace trevalon {

// One sub-identifier as net-snmp stores it.
using SubIdentifier = unsigned long;

// An OID in dotted form ("1.3.6.1.4.1.8072", a leading dot allowed; names only where the
// machine's MIB files define them), read by net-snmp. Raises SnmpAgentError naming `what` with
// the library's message when the text is empty or malformed, and also for OIDs that SNMP cannot
// carry: fewer than two sub-identifiers or one above 4294967295.
std::vector<SubIdentifier> ParseObjectId(const NetSnmpAccess& library, const std::string& text,
                                         const std::string& what);

// The trap field of an SNMPv1 trap, written "GenericTrap.SpecificTrap".
struct V1TrapNumbers {
    long generic = 0;   // 0 coldStart ... 6 enterpriseSpecific
    long specific = 0;  // 0 to 2147483647
};

// Raises SnmpAgentError for anything but two decimal numbers in those ranges with one dot.
V1TrapNumbers ParseV1TrapNumbers(const std::string& text);

}  // namespace trevalon
