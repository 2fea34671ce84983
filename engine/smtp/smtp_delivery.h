#pragma once

#include "engine/alarms/delivery_factories.h"
#include "foundation/engine_settings.h"

namespace trevalon {

// "Email" builds a ThreadSMTP for the job's address list and text, introduced by the HostName
// of the settings current when the job is made.
void RegisterSmtpDelivery(DeliveryFactories& factories, const PublishedSettings& settings);

}  // namespace trevalon
