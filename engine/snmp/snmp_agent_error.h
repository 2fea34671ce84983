#pragma once

#include <stdexcept>

namespace trevalon {

// The one error the SNMP trap agent raises; its text says what failed and, where the failure
// comes from net-snmp or the operating system, carries their message.
class SnmpAgentError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace trevalon
