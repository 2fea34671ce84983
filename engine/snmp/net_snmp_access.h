#pragma once

// The one way into net-snmp, whose state is process-wide.

#include <mutex>
#include <string>

namespace trevalon {

// Exclusive use of the net-snmp library. The library keeps process-wide state (its error number,
// the USM user list, engine times, request ids), so every call into it happens while one of these
// is alive. The first one initialises the library for the whole process.
class NetSnmpAccess {
  public:
    NetSnmpAccess();
    NetSnmpAccess(const NetSnmpAccess&) = delete;
    NetSnmpAccess& operator=(const NetSnmpAccess&) = delete;

    // The library's message for one of its error numbers, with its detail text if it set one.
    std::string ErrorText(int code) const;
    // The message for the library's last error.
    std::string LastErrorText() const;

  private:
    std::unique_lock<std::mutex> lock_;
};

}  // namespace trevalon
