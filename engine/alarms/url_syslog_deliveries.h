#pragma once

#include "engine/alarms/delivery_factories.h"
#include "foundation/engine_settings.h"

namespace trevalon {

// "SMS by HTTP" builds a ThreadURL for the job's phone number and text with the method's
// settings and extra form fields.
void RegisterHttpSmsDelivery(DeliveryFactories& factories);
// "SysLog" builds a ThreadSysLog to the method's target with the job's facility, severity and
// text, sent in the name of the LocalIP of the settings current when the job is made.
void RegisterSysLogDelivery(DeliveryFactories& factories, const PublishedSettings& settings);

}  // namespace trevalon
