#pragma once

#include "engine/alarms/delivery_factories.h"

namespace trevalon {

// "Email" builds a ThreadSMTP for the job's address list and text.
void RegisterSmtpDelivery(DeliveryFactories& factories);
// "SNPP" builds a ThreadSNPP for the job's pager id and text.
void RegisterSnppDelivery(DeliveryFactories& factories);

}  // namespace trevalon
