#pragma once

#include "engine/alarms/delivery_factories.h"

namespace trevalon {

// "SMS" builds a ThreadSMS for the job's number and text.
void RegisterSmsDelivery(DeliveryFactories& factories);

}  // namespace trevalon
