#pragma once

#include "engine/alarms/delivery_factories.h"
#include "engine/snmp/snmp_trap_agent.h"

namespace trevalon {

// "SNMP" builds a ThreadSNMP on the engine's agent from the method's settings and the rule's
// trap settings carried by the job. The agent must outlive the factories.
void RegisterSnmpDelivery(DeliveryFactories& factories, SnmpTrapAgent& agent);

}  // namespace trevalon
