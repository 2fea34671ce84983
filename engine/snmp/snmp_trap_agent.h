#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/snmp/object_identifier.h"

namespace trevalon {

class TrapEndpoint;

// The engine's SNMP agent as far as traps go, on net-snmp. Traps leave over UDP from the local
// endpoint (LocalHost:LocalPort), which is bound while the agent is active:
// - version 1: an SNMPv1 Trap-PDU with the agent's community and enterprise, the trap OID read
//   as "GenericTrap.SpecificTrap";
// - version 2: an SNMPv2c SNMPv2-Trap-PDU with sysUpTime.0 and snmpTrapOID.0 = the trap OID;
// - SecureTrapTo: an SNMPv3 SNMPv2-Trap-PDU, authNoPriv with HMAC-SHA-96 for the user
//   (net-snmp's "SHA"), sent with LocalEngineId as the authoritative engine.
// Settings stay until changed: a trap port of 0 means 162, the community starts as "public" and
// the enterprise as net-snmp's default 1.3.6.1.4.1.3.1.1.
//
// Every operation is safe to call from any thread and raises SnmpAgentError on failure. A caller
// that sets up the agent and then sends holds Lock() for the whole sequence, so that another
// caller's settings cannot slip in between.
class SnmpTrapAgent {
  public:
    static constexpr int kInitialLocalPort = 161;
    static constexpr int kInitialVersion = 2;
    static constexpr int kStandardTrapPort = 162;
    static constexpr std::string_view kInitialCommunity = "public";

    SnmpTrapAgent();
    ~SnmpTrapAgent();
    SnmpTrapAgent(const SnmpTrapAgent&) = delete;
    SnmpTrapAgent& operator=(const SnmpTrapAgent&) = delete;

    // Held by one caller for a whole sequence of calls; the calls themselves do not take it.
    std::unique_lock<std::mutex> Lock();

    // true binds the local endpoint (nothing happens when it is bound); false releases it.
    // While the endpoint cannot be bound, traps fail with the reason.
    void SetActive(bool active);
    bool Active() const;

    // Hexadecimal, "0x" allowed; empty: the engine id net-snmp made for this process. Read when
    // a version 3 trap is sent.
    std::string LocalEngineId() const;
    void SetLocalEngineId(const std::string& engineId);
    // The address or name to bind; empty: every local IPv4 address. Used by the next activation.
    std::string LocalHost() const;
    void SetLocalHost(const std::string& host);
    // 0 to 65535; 0 lets the system choose. Used by the next activation.
    int LocalPort() const;
    void SetLocalPort(int port);

    // 1, 2 or 3: the version TrapTo sends (SecureTrapTo always sends version 3).
    void SelectVersion(int version);
    int Version() const;

    // "TrapPort=<0..65535>", "TrapCommunity=<text>" or "TrapEnterprise=<OID>". Returns the value
    // now in force, for TrapPort the port traps go to.
    std::string ApplySetting(const std::string& setting);

    void TrapTo(const std::string& destination, const std::string& trapOid);
    void SecureTrapTo(const std::string& destination, const std::string& trapOid,
                      const std::string& user, const std::string& password);

  private:
    const TrapEndpoint& RequireEndpoint() const;
    int DestinationPort() const;
    std::uint32_t Uptime() const;

    std::mutex sequenceMutex_;
    mutable std::mutex stateMutex_;  // guards everything below
    std::unique_ptr<TrapEndpoint> endpoint_;
    std::string activationError_;
    std::string localEngineId_;
    std::string localHost_;
    int localPort_ = kInitialLocalPort;
    int version_ = kInitialVersion;
    int trapPort_ = 0;
    std::string community_{kInitialCommunity};
    std::vector<SubIdentifier> enterprise_;
    const std::chrono::steady_clock::time_point createdAt_ = std::chrono::steady_clock::now();
};

}  // namespace trevalon
