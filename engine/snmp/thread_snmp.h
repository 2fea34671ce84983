#pragma once

// The "SNMP" delivery job: one alarm as one trap, sent through the engine's agent.

#include <cstdint>
#include <string>

#include "engine/pool/delivery_work_item.h"
#include "engine/snmp/snmp_trap_agent.h"

namespace trevalon {

// One trap as the agent is to send it: where from, where to, and how.
struct TrapOrder {
    std::string destinationHost;
    std::int32_t localPort = 0;
    std::int32_t trapPort = 0;
    std::string trapOid;
    std::string localEngineId;
    std::string localHost;
    std::int32_t version = 1;
    std::string user;
    std::string password;
    std::string community;
    std::string enterprise;
};

// Holds the agent's lock while it deactivates `agent`, sets its local engine id, host and port,
// activates it (failures of these steps are left for the trap to report), then sends the trap
// as `order.version` says. Raises SnmpAgentError when the trap cannot be sent.
void SendTrapOrder(SnmpTrapAgent& agent, const TrapOrder& order);

// Sends one alarm as one SNMP trap through the engine's agent. The job holds the agent's lock
// from its first set-up step to the trap, so concurrent jobs never mix their settings; what a
// job leaves in the agent (version, trap port, community, enterprise, endpoint) stays for the
// next one.
class ThreadSNMP : public DeliveryWorkItem {
  public:
    // `agent` must outlive the job. `user` and `password` are kept only for version 3; `retry`
    // is accepted and has no effect, a delivery is attempted once.
    ThreadSNMP(SnmpTrapAgent& agent, std::string destinationHost, std::int32_t localPort,
               std::int32_t trapPort, std::string trapOid, std::string localEngineId,
               std::string localHost, std::int32_t version, std::string user, std::string password,
               std::string community, std::string enterprise, std::int32_t retry);

    // Never raises. ResultText becomes "Sent" or "Error", ResultDetail "[SNMP Alarm Sent
    // Succeed]" or "[<host>:<local port> SNMP Alarm Sent Error:<reason>]".
    void Execute() override;

    // The method's retry count as configured; the job never retries.
    std::int32_t Retry() const { return retry_; }

  private:
    void Fail(const std::string& reason);

    SnmpTrapAgent& agent_;
    TrapOrder order_;
    std::int32_t retry_;
};

}  // namespace trevalon
