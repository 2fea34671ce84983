#pragma once

#include "engine/alarms/delivery_factories.h"

namespace trevalon {

// "SNPP" builds a ThreadSNPP for the job's pager id and text.
void RegisterSnppDelivery(DeliveryFactories& factories);

}  // namespace trevalon
