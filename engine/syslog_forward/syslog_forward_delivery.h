#pragma once

#include "engine/alarms/delivery_factories.h"
#include "foundation/engine_settings.h"

namespace trevalon {

// "SysLog" builds a ThreadSysLog to the method's target with the job's facility, severity and
// text, sent in the name of the LocalIP of the settings current when the job is made.
void RegisterSysLogDelivery(DeliveryFactories& factories, const PublishedSettings& settings);

}  // namespace trevalon
