#pragma once

#include "engine/alarms/delivery_factories.h"

namespace trevalon {

// Registers every delivery the engine has, each protocol's from its own folder; the programs call
// it once at start-up. It sits above the protocols so that none of them depends on another.
void RegisterEngineDeliveries(DeliveryFactories& factories = TheDeliveryFactories());

}  // namespace trevalon
