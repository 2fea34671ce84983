#pragma once

// The one place that knows every delivery protocol.

#include "engine/alarms/delivery_factories.h"
#include "engine/snmp/snmp_trap_agent.h"
#include "foundation/engine_settings.h"

namespace trevalon {

// Registers every delivery the engine has, each protocol's from its own folder; the engine does
// it once when it is made. It sits above the protocols so that none of them depends on another.
// `settings` and `agent` must outlive the factories.
void RegisterEngineDeliveries(DeliveryFactories& factories, const PublishedSettings& settings,
                              SnmpTrapAgent& agent);

}  // namespace trevalon
