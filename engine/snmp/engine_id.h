#pragma once

// The SNMP engine id as settings write it.

#include <string>
#include <vector>

namespace trevalon {

// An SNMP engine id written in hexadecimal, with or without a leading "0x" (as net-snmp's
// tools and snmptrapd's createUser take it): 5 to 32 octets. Raises SnmpAgentError otherwise.
std::vector<unsigned char> ParseEngineId(const std::string& text);

}  // namespace trevalon
