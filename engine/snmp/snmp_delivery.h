#pragma once

#include "engine/alarms/delivery_factories.h"
#include "engine/snmp/snmp_trap_agent.h"

namespace trevalon {

// The engine's one SNMP agent, shared by every trap job of the process.
SnmpTrapAgent& TheSnmpTrapAgent();

// "SNMP" builds a ThreadSNMP on TheSnmpTrapAgent() from the method's settings and the rule's
// trap settings carried by the job.
void RegisterSnmpDelivery(DeliveryFactories& factories);

}  // namespace trevalon
