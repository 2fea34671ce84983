#pragma once

#include "engine/alarms/delivery_factories.h"

namespace trevalon {

// "SMS by HTTP" builds a ThreadURL for the job's phone number and text with the method's
// settings and extra form fields.
void RegisterHttpSmsDelivery(DeliveryFactories& factories);

}  // namespace trevalon
