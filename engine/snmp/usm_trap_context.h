#pragma once

// The SNMPv3 security of one outgoing trap.

#include <string>
#include <vector>

#include "engine/snmp/net_snmp_access.h"

struct usmUser;

namespace trevalon {

// What net-snmp's user-based security needs to authenticate one outgoing SNMPv3 trap, present
// only while the trap is encoded: the user with its HMAC-SHA-96 key (RFC 3414) localised from the
// password for the sending engine, and that engine's boots and time. Nothing stays behind in the
// library, so a later trap never meets an earlier trap's key.
class UsmTrapContext {
  public:
    // Raises SnmpAgentError with the library's message, for example for a password shorter
    // than 8 characters.
    UsmTrapContext(const NetSnmpAccess& library, const std::vector<unsigned char>& engineId,
                   const std::string& user, const std::string& password);
    ~UsmTrapContext();
    UsmTrapContext(const UsmTrapContext&) = delete;
    UsmTrapContext& operator=(const UsmTrapContext&) = delete;

  private:
    std::vector<unsigned char> engineId_;
    usmUser* user_ = nullptr;
};

}  // namespace trevalon
